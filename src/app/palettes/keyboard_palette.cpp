#include "app/palettes/keyboard_palette.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include "app/palettes/palette_tooltips.h"
#include "pictures/keyboard_picture.h"
#include "song/drop_payload.h"

namespace songloom::app {
namespace {

QString Utf8(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

// The tool's face: a note head with its stem (hollow for the whole and half
// note), or the split mark.
void DrawTool(QPainter& p, const QRect& box, const KeyboardTool& tool)
{
    p.fillRect(box, QColor(210, 225, 225));
    p.setPen(QColor(70, 90, 90));
    p.drawRect(box.adjusted(0, 0, -1, -1));
    p.setPen(QPen(QColor(0, 0, 0), 2));
    const QPoint c = box.center();
    if (tool.split()) {
        p.drawLine(c.x(), box.top() + 6, c.x(), box.bottom() - 6);
        p.drawLine(c.x() - 8, box.top() + 10, c.x() + 8, box.top() + 10);
        return;
    }
    const QRect head(c.x() - 7, c.y() + 4, 12, 8);
    p.setBrush(tool.eighths == 2 ? QColor(0, 0, 0) : Qt::transparent);
    p.drawEllipse(head);
    if (tool.eighths < 8) p.drawLine(head.right(), head.center().y(), head.right(), box.top() + 6);
    p.setBrush(Qt::NoBrush);
}

}  // namespace

std::string KeyboardToolPayload(const KeyboardTool& tool)
{
    return tool.split() ? song::NotePayload(-1) : song::LengthPayload(tool.eighths);
}

KeyboardPalette::KeyboardPalette(PaletteHost& host, KeyboardRange range, QWidget* parent)
    : QWidget(parent, Qt::Tool),
      host_(host),
      range_(range),
      keyboard_(std::make_unique<pictures::CKeyboardPicture>(host.reporter, [this](int) { update(); }))
{
    setWindowTitle(QStringLiteral("キーボード・パレット"));
    picture_ = keyboard_->CreateKeyboard(
        geometry_.keyboard, range.low, range.high,
        [this](int note) {
            emit notePressed(note);
            pendingDrag_ = song::NotePayload(note);
        },
        [](int) {});
    setFixedSize(geometry_.toolLeft + 2 * geometry_.toolSize + 4, geometry_.keyboard.bottom() + 8);
}

KeyboardPalette::~KeyboardPalette() = default;

void KeyboardPalette::SetRange(KeyboardRange range)
{
    range_ = range;
    keyboard_->SetRange(picture_, range_.low, range_.high);
    update();
}

void KeyboardPalette::NoteTaken() { keyboard_->ClearPressed(picture_); }

std::optional<std::pair<int, int>> KeyboardPalette::ToolAt(QPoint point) const
{
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 2; ++c) {
            if (geometry_.Tool(r, c).contains(point)) return std::pair{r, c};
        }
    }
    return std::nullopt;
}

QString KeyboardPalette::ToolTipAt(QPoint point) const
{
    const auto tool = ToolAt(point);
    const bool split = tool && kKeyboardTools[static_cast<std::size_t>(tool->first)]
                                             [static_cast<std::size_t>(tool->second)].split();
    return Utf8(split ? tip::kKeyboardSplit : tip::kKeyboardOther);
}

QImage KeyboardPalette::PaintedImage()
{
    QImage image(size(), QImage::Format_RGB32);
    render(&image);
    return image;
}

void KeyboardPalette::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(0, 0, 0));
    p.drawImage(geometry_.keyboard.topLeft(), keyboard_->Canvas(picture_).image());
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 2; ++c) {
            DrawTool(p, geometry_.Tool(r, c), kKeyboardTools[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]);
        }
    }
}

void KeyboardPalette::mousePressEvent(QMouseEvent* e)
{
    pendingDrag_.reset();
    if (e->button() != Qt::LeftButton) return;
    const QPoint p = e->position().toPoint();
    pressPoint_ = p;
    if (const auto tool = ToolAt(p)) {
        pendingDrag_ = KeyboardToolPayload(
            kKeyboardTools[static_cast<std::size_t>(tool->first)][static_cast<std::size_t>(tool->second)]);
        return;
    }
    keyboard_->MousePress(p.x(), p.y());  // the note callback previews and arms the drag
}

void KeyboardPalette::mouseMoveEvent(QMouseEvent* e)
{
    if (!pendingDrag_ || !(e->buttons() & Qt::LeftButton)) return;
    if ((e->position().toPoint() - pressPoint_).manhattanLength() < kDragDistance) return;
    const std::string payload = *pendingDrag_;
    pendingDrag_.reset();
    if (host_.startDrag) host_.startDrag(this, PayloadToQString(payload));
    keyboard_->MouseRelease();
}

void KeyboardPalette::mouseReleaseEvent(QMouseEvent*)
{
    pendingDrag_.reset();
    keyboard_->MouseRelease();
}

bool KeyboardPalette::event(QEvent* e)
{
    if (ShowToolTipAt(*this, e, [this](QPoint p) { return ToolTipAt(p); })) return true;
    return QWidget::event(e);
}

}  // namespace songloom::app
