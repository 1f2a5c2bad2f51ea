#include "app/palettes/chord_palette.h"

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QToolTip>

#include "app/palettes/chord_selector.h"
#include "app/palettes/palette_tooltips.h"
#include "common/general.h"
#include "common/text.h"
#include "harmony/diatonic_chord_list.h"
#include "song/drop_payload.h"
#include "song/song_tables.h"

namespace songloom::app {
namespace {

QString Utf8(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

int RowTop(const ChordGridGeometry& g, int row, bool captions)
{
    return g.top + row * g.buttonHeight + (captions && row > 0 ? g.captionHeight : 0);
}

}  // namespace

QRect ChordButtonRect(const ChordGridGeometry& g, ChordButtonPos pos, bool captions)
{
    return QRect(g.left + pos.column * g.buttonWidth, RowTop(g, pos.row, captions), g.buttonWidth - 2,
                 g.buttonHeight - 2);
}

std::optional<ChordButtonPos> ChordButtonAt(const ChordGridGeometry& g, const song::ListRows& rows, bool captions,
                                            int x, int y)
{
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        for (int c = 0; c < static_cast<int>(rows[static_cast<std::size_t>(r)].size()); ++c) {
            if (ChordButtonRect(g, {r, c}, captions).contains(x, y)) return ChordButtonPos{r, c};
        }
    }
    return std::nullopt;
}

ChordPalette::ChordPalette(PaletteHost& host, QWidget* parent) : QWidget(parent, Qt::Tool), host_(host)
{
    setWindowTitle(QStringLiteral("コード・パレット"));
    setMouseTracking(false);
    selector_ = new ChordSelector(this);
    guitar_ = new QPushButton(QStringLiteral("ギター"), this);
    scale_ = new QPushButton(QStringLiteral("スケール"), this);
    connect(guitar_, &QPushButton::clicked, this, &ChordPalette::guitarRequested);
    connect(scale_, &QPushButton::clicked, this, &ChordPalette::scaleRequested);
    editor_ = new QLineEdit(this);
    editor_->hide();
    connect(editor_, &QLineEdit::editingFinished, this, [this] {
        if (!editing_) return;
        const ChordButtonPos pos = *editing_;
        editing_.reset();
        editor_->hide();
        list_.Replace(pos, QStringToPayload(editor_->text()));
        Relayout();
    });
    list_.SetDefault(host_.document.song().key(), harmony::ScaleOfSelection(host_.document.song().key(), 0));
    Relayout();
}

ChordPalette::~ChordPalette() = default;

void ChordPalette::ShowDefault(int scale)
{
    list_.SetDefault(host_.document.song().key(), scale);
    Relayout();
}

void ChordPalette::LoadAtStartUp()
{
    const std::string path = host_.workDir + "/" + std::string(kChordPaletteFileName);
    const int key = host_.document.song().key();
    if (!FileExists(path) || !list_.Load(host_.reporter, path)) {
        list_.SetDefault(key, harmony::ScaleOfSelection(key, 0));
    } else {
        // The default list written at the last shut-down is the default list
        // again, with its row of degrees.
        for (const int scale : {0, 1, 2, 12}) {
            ChordPaletteList standard;
            standard.SetDefault(key, scale);
            if (standard.rows() == list_.rows()) {
                list_ = standard;
                break;
            }
        }
    }
    Relayout();
}

bool ChordPalette::SaveAtShutDown() const
{
    return list_.Save(host_.reporter, host_.workDir + "/" + std::string(kChordPaletteFileName));
}

void ChordPalette::Relayout()
{
    int widest = 1;
    for (const auto& row : list_.rows()) widest = std::max(widest, static_cast<int>(row.size()));
    const int rows = std::max(1, static_cast<int>(list_.rows().size()));
    const int gridBottom = RowTop(geometry_, rows, list_.isDefault()) +
                           (list_.isDefault() && rows == 1 ? geometry_.captionHeight : 0);
    const int buttonsTop = gridBottom + 6;
    guitar_->setGeometry(geometry_.left, buttonsTop, 90, 26);
    scale_->setGeometry(geometry_.left + 96, buttonsTop, 90, 26);
    setFixedSize(std::max(geometry_.left * 2 + widest * geometry_.buttonWidth, 200), buttonsTop + 32);
    update();
}

void ChordPalette::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(0, 0, 0));
    const bool captions = list_.isDefault();
    for (int r = 0; r < static_cast<int>(list_.rows().size()); ++r) {
        const auto& row = list_.rows()[static_cast<std::size_t>(r)];
        for (int c = 0; c < static_cast<int>(row.size()); ++c) {
            const QRect box = ChordButtonRect(geometry_, {r, c}, captions);
            const bool down = pressed_ && pressed_->row == r && pressed_->column == c;
            p.fillRect(box, down ? QColor(120, 160, 160) : QColor(210, 225, 225));
            p.setPen(down ? QColor(255, 255, 255) : QColor(70, 90, 90));
            p.drawRect(box.adjusted(0, 0, -1, -1));
            p.setPen(QColor(0, 0, 0));
            p.drawText(box, Qt::AlignCenter, QString::fromStdString(Cp932ToUtf8(row[static_cast<std::size_t>(c)])));
            if (captions && r == 0 && c < static_cast<int>(list_.romans().size())) {
                p.setPen(QColor(64, 200, 200));
                const QRect caption(box.left(), box.bottom() + 1, box.width(), geometry_.captionHeight);
                p.drawText(caption, Qt::AlignCenter, Utf8(list_.romans()[static_cast<std::size_t>(c)]));
            }
        }
    }
}

void ChordPalette::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) return;
    pressed_ = ChordButtonAt(geometry_, list_.rows(), list_.isDefault(), e->position().toPoint().x(),
                             e->position().toPoint().y());
    if (pressed_ && list_.At(*pressed_).empty()) pressed_.reset();
    pressPoint_ = e->position().toPoint();
    update();
}

void ChordPalette::mouseMoveEvent(QMouseEvent* e)
{
    if (!pressed_ || !(e->buttons() & Qt::LeftButton)) return;
    if ((e->position().toPoint() - pressPoint_).manhattanLength() < kDragDistance) return;
    const ChordButtonPos pos = *pressed_;
    const std::string payload = song::ChordPayload(list_.At(pos));
    if (host_.startDrag) host_.startDrag(this, PayloadToQString(payload));
    pressed_.reset();
    update();
    PostPreview(pos);
}

void ChordPalette::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || !pressed_) return;
    const ChordButtonPos pos = *pressed_;
    pressed_.reset();
    update();
    PostPreview(pos);
}

void ChordPalette::mouseDoubleClickEvent(QMouseEvent* e)
{
    const auto pos = ChordButtonAt(geometry_, list_.rows(), list_.isDefault(), e->position().toPoint().x(),
                                   e->position().toPoint().y());
    if (pos) EditName(*pos);
}

void ChordPalette::EditName(ChordButtonPos pos)
{
    if (!list_.Contains(pos)) return;
    editing_ = pos;
    editor_->setGeometry(ChordButtonRect(geometry_, pos, list_.isDefault()));
    editor_->setText(QString::fromStdString(Cp932ToUtf8(list_.At(pos))));
    editor_->show();
    editor_->setFocus();
    editor_->selectAll();
}

void ChordPalette::PostPreview(ChordButtonPos pos)
{
    emit chordPressed(pos.row, pos.column);
}

std::vector<int> ChordPalette::PreviewNotes(int row, int column) const
{
    return harmony::ChordPreviewNotes(list_.At({row, column}));
}

void ChordPalette::contextMenuEvent(QContextMenuEvent* e)
{
    const auto pos = ChordButtonAt(geometry_, list_.rows(), list_.isDefault(), e->pos().x(), e->pos().y());
    if (!pos) return;
    QMenu menu(this);
    QAction* replace = menu.addAction(QStringLiteral("置換"));
    QAction* add = menu.addAction(QStringLiteral("追加"));
    QAction* remove = menu.addAction(QStringLiteral("削除"));
    QAction* chosen = menu.exec(e->globalPos());
    if (chosen == replace) MenuAction(*pos, ChordMenuAction::kReplace);
    else if (chosen == add) MenuAction(*pos, ChordMenuAction::kAdd);
    else if (chosen == remove) MenuAction(*pos, ChordMenuAction::kDelete);
}

void ChordPalette::MenuAction(ChordButtonPos pos, ChordMenuAction action)
{
    if (action == ChordMenuAction::kDelete) {
        list_.Delete(pos);
        Relayout();
        return;
    }
    menuTarget_ = pos;
    // The selector answers by a message, handled after the take button's
    // click has returned.
    selector_->OpenFor(action == ChordMenuAction::kReplace, [this](bool replace, int root, int type) {
        QMetaObject::invokeMethod(
            this, [this, replace, root, type] { TakeChord(replace, root, type); }, Qt::QueuedConnection);
    });
}

void ChordPalette::TakeChord(bool replace, int root, int type)
{
    const std::string name = song::ChordNameOf(root, type);
    if (name.empty()) return;
    if (replace) list_.Replace(menuTarget_, name);
    else list_.Add(menuTarget_, name);
    Relayout();
}

void ChordPalette::ChooseScale(int entry)
{
    ShowDefault(harmony::ScaleOfSelection(host_.document.song().key(), entry));
}

QString ChordPalette::ToolTipAt(QPoint) const { return Utf8(tip::kChordButtons); }

bool ChordPalette::event(QEvent* e)
{
    if (ShowToolTipAt(*this, e, [this](QPoint p) { return ToolTipAt(p); })) return true;
    return QWidget::event(e);
}

}  // namespace songloom::app
