#include "app/palettes/palette_host.h"

#include <QDrag>
#include <QFileDialog>
#include <QHelpEvent>
#include <QToolTip>
#include <QMimeData>
#include <QWidget>

#include "common/text.h"

namespace songloom::app {

void StartPaletteDrag(QWidget* source, const QString& text)
{
    auto* drag = new QDrag(source);
    auto* data = new QMimeData;
    data->setText(text);
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}

std::optional<std::string> ShowPhraseFileDialog(QWidget* parent, bool save)
{
    const QString filter = QStringLiteral("pdt files (*.pdt)");
    const QString path = save ? QFileDialog::getSaveFileName(parent, QString(), QString(), filter)
                              : QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
    if (path.isEmpty()) return std::nullopt;
    std::string chosen = path.toStdString();
    if (save && !chosen.ends_with(".pdt")) chosen += ".pdt";
    return chosen;
}

bool ShowToolTipAt(QWidget& widget, QEvent* event, const std::function<QString(QPoint)>& textAt)
{
    if (event->type() != QEvent::ToolTip) return false;
    const auto* help = static_cast<QHelpEvent*>(event);
    QToolTip::showText(help->globalPos(), textAt(help->pos()), &widget);
    return true;
}

QString PayloadToQString(std::string_view payload)
{
    return QString::fromStdString(Cp932ToUtf8(payload));
}

std::string QStringToPayload(const QString& text) { return Utf8ToCp932(text.toStdString()); }

}  // namespace songloom::app
