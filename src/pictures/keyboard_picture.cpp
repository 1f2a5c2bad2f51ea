#include "pictures/keyboard_picture.h"

#include <QPainter>
#include <algorithm>

namespace songloom::pictures {
namespace {

// Windows-style rectangle: outline and fill cover left..right-1, top..bottom-1.
void KeyRectangle(QPainter& painter, const KeyRect& key, const QColor& fill) {
    painter.setBrush(fill);
    painter.drawRect(QRect(key.left, key.top, std::max(0, key.right - key.left - 1),
                           std::max(0, key.bottom - key.top - 1)));
}

}  // namespace

CKeyboardPicture::CKeyboardPicture(Reporter& reporter, Changed changed)
    : reporter_(reporter), changed_(std::move(changed)) {}

bool CKeyboardPicture::Valid(int picture) {
    if (picture >= 0 && picture < Count()) return true;
    ShowErrorBox(reporter_, "CKeyboardPicture error");
    return false;
}

int CKeyboardPicture::CreateKeyboard(const QRect& rect, int lowest, int highest, NoteCallback onNote,
                                     ReleaseCallback onRelease) {
    Keyboard k;
    k.canvas = std::make_unique<COffScreenPicture>(reporter_, rect, QColor(255, 255, 255));
    k.onNote = std::move(onNote);
    k.onRelease = std::move(onRelease);
    keyboards_.push_back(std::move(k));
    const int index = Count() - 1;
    SetRange(index, lowest, highest);
    return index;
}

void CKeyboardPicture::SetRange(int picture, int lowest, int highest) {
    if (!Valid(picture)) return;
    Keyboard& k = keyboards_[static_cast<std::size_t>(picture)];
    k.lowest = lowest;
    k.highest = highest;
    k.layout = LayOutKeyboard(lowest, highest, k.canvas->width(), k.canvas->height());
    k.colours.clear();
    for (const KeyRect& key : k.layout.keys) k.colours.push_back(key.black ? QColor(0, 0, 0) : QColor(255, 255, 255));
    k.held = -1;
    DrawKeyboard(picture);
}

void CKeyboardPicture::PressNote(int note, int picture) {
    if (!Valid(picture)) return;
    Keyboard& k = keyboards_[static_cast<std::size_t>(picture)];
    if (k.pressed.size() < kMaxPressedNotes) k.pressed.push_back(note);
    DrawKeyboard(picture);
}

void CKeyboardPicture::ClearPressed(int picture) {
    if (!Valid(picture)) return;
    keyboards_[static_cast<std::size_t>(picture)].pressed.clear();
    DrawKeyboard(picture);
}

void CKeyboardPicture::SetKeyColour(int picture, int note, const QColor& colour) {
    if (!Valid(picture)) return;
    Keyboard& k = keyboards_[static_cast<std::size_t>(picture)];
    for (std::size_t i = 0; i < k.layout.keys.size(); ++i) {
        if (k.layout.keys[i].note == note) k.colours[i] = colour;
    }
}

void CKeyboardPicture::DrawKeyboard(int picture) {
    if (!Valid(picture)) return;
    Keyboard& k = keyboards_[static_cast<std::size_t>(picture)];
    QImage& image = k.canvas->image();
    if (image.isNull()) return;
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(QColor(0, 0, 0), 1));
        auto pressed = [&](int note) { return std::find(k.pressed.begin(), k.pressed.end(), note) != k.pressed.end(); };
        for (std::size_t i = 0; i < k.layout.keys.size(); ++i) {
            const KeyRect& key = k.layout.keys[i];
            if (key.black) continue;
            KeyRectangle(painter, key, pressed(key.note) ? kPressedWhite : k.colours[i]);
            painter.drawLine(key.right, key.top, key.right, key.bottom);
        }
        for (std::size_t i = 0; i < k.layout.keys.size(); ++i) {
            const KeyRect& key = k.layout.keys[i];
            if (!key.black) continue;
            KeyRectangle(painter, key, pressed(key.note) ? kPressedBlack : k.colours[i]);
        }
        painter.setPen(QPen(QColor(255, 255, 255), 1));
        for (const KeyRect& key : k.layout.keys) {
            if (key.black) painter.drawLine(key.right, key.top, key.right, key.bottom);
        }
    }
    if (changed_) changed_(picture);
}

void CKeyboardPicture::FillKey(Keyboard& k, std::size_t key, const QColor& colour) {
    const KeyRect& r = k.layout.keys[key];
    QPainter painter(&k.canvas->image());
    painter.setPen(QPen(QColor(0, 0, 0), 1));
    KeyRectangle(painter, r, colour);
}

bool CKeyboardPicture::MousePress(int x, int y) {
    for (int picture = 0; picture < Count(); ++picture) {
        Keyboard& k = keyboards_[static_cast<std::size_t>(picture)];
        const QRect& place = k.canvas->rect();
        const int key = HitKey(k.layout, x - place.x(), y - place.y());
        if (key < 0) continue;
        k.held = key;
        FillKey(k, static_cast<std::size_t>(key), kHeldKey);
        if (changed_) changed_(picture);
        if (k.onNote) k.onNote(k.layout.keys[static_cast<std::size_t>(key)].note);
        return true;
    }
    return false;
}

void CKeyboardPicture::MouseRelease() {
    for (int picture = 0; picture < Count(); ++picture) {
        Keyboard& k = keyboards_[static_cast<std::size_t>(picture)];
        const int note = k.held >= 0 ? k.layout.keys[static_cast<std::size_t>(k.held)].note : -1;
        const bool wasHeld = k.held >= 0;
        k.held = -1;
        DrawKeyboard(picture);
        if (wasHeld && k.onRelease) k.onRelease(note);
    }
}

const KeyboardLayout& CKeyboardPicture::Layout(int picture) const {
    return keyboards_[static_cast<std::size_t>(picture)].layout;
}
const COffScreenPicture& CKeyboardPicture::Canvas(int picture) const {
    return *keyboards_[static_cast<std::size_t>(picture)].canvas;
}
int CKeyboardPicture::HeldKey(int picture) const { return keyboards_[static_cast<std::size_t>(picture)].held; }
const std::vector<int>& CKeyboardPicture::Pressed(int picture) const {
    return keyboards_[static_cast<std::size_t>(picture)].pressed;
}

}  // namespace songloom::pictures
