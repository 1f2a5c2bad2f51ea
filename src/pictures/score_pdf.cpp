#include "pictures/score_pdf.h"

#include <QBuffer>
#include <QFont>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>

#include "common/general.h"
#include "common/messages.h"

namespace songloom::pictures {
namespace {

constexpr int kDotsPerInch = 300;
constexpr double kMarginMillimetres = 15.0;

}  // namespace

ScoreLayout PrintLayout()
{
    ScoreLayout layout;
    layout.cellWidth *= 2;
    layout.cellHeight *= 2;
    layout.rowGap *= 2;
    return layout;
}

std::string BuildScorePdf(Reporter& reporter, const SongView& song, const ScorePdfHeading& heading,
                          PageRange pages, const ScoreLayout& layout)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(kDotsPerInch);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageOrientation(QPageLayout::Landscape);
        writer.setPageMargins(QMarginsF(kMarginMillimetres, kMarginMillimetres, kMarginMillimetres,
                                        kMarginMillimetres),
                              QPageLayout::Millimeter);
        writer.setTitle(QString::fromStdString(heading.title));
        writer.setCreator(QStringLiteral("Songloom"));
        QPainter painter;
        if (!painter.begin(&writer)) return {};
        const QRect area = painter.viewport();
        const int songPages = std::max(1, (song.bars + kBarsPerPage - 1) / kBarsPerPage);
        const int first = std::clamp(pages.first, 0, songPages - 1);
        const int last = pages.count < 0 ? songPages : std::min(songPages, first + std::max(1, pages.count));
        QFont font(QStringLiteral("IPAGothic"));
        font.setPixelSize(area.height() / 40);
        painter.setFont(font);
        const int headingHeight = area.height() / 14;
        for (int page = first; page < last; ++page) {
            if (page > first) writer.newPage();
            const QRect line(area.left(), area.top(), area.width(), headingHeight / 2);
            painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(heading.title));
            painter.drawText(line, Qt::AlignRight | Qt::AlignVCenter, QString::fromStdString(heading.composer));
            painter.drawText(line.translated(0, headingHeight / 2), Qt::AlignRight | Qt::AlignVCenter,
                             QStringLiteral("%1 / %2").arg(page + 1).arg(songPages));
            const QImage image = DrawScorePage(reporter, song, page, layout);
            // The page's picture as large as fits below the heading, not distorted.
            const QRect room(area.left(), area.top() + headingHeight, area.width(), area.height() - headingHeight);
            const QSize size = image.size().scaled(room.size(), Qt::KeepAspectRatio);
            painter.drawImage(QRect(room.topLeft(), size), image);
        }
        painter.end();
    }
    return bytes.toStdString();
}

bool WriteScorePdf(Reporter& reporter, const SongView& song, const ScorePdfHeading& heading,
                   const std::string& path, PageRange pages, const ScoreLayout& layout)
{
    const std::string pdf = BuildScorePdf(reporter, song, heading, pages, layout);
    if (pdf.empty()) {
        GeneralErrorMsg(reporter, gene::kCannotOpen);
        return false;
    }
    return WriteWholeFile(reporter, path, pdf);
}

}  // namespace songloom::pictures
