#pragma once
// Piano keyboards that the user clicks to enter notes. Several keyboards may
// exist; each has an index in creation order. Each draws into its own
// off-screen picture; the owner copies it to the screen when told.

#include <QColor>
#include <QRect>
#include <functional>
#include <memory>
#include <vector>

#include "common/reporter.h"
#include "pictures/instrument_geometry.h"
#include "pictures/off_screen_picture.h"

namespace songloom::pictures {

inline constexpr std::size_t kMaxPressedNotes = 128;
inline const QColor kPressedWhite{0, 255, 0};
inline const QColor kPressedBlack{0, 127, 0};
inline const QColor kHeldKey{255, 0, 0};

class CKeyboardPicture {
public:
    using NoteCallback = std::function<void(int note)>;
    using ReleaseCallback = std::function<void(int note)>;  // the held key's note, -1 for none
    using Changed = std::function<void(int picture)>;        // copy the picture to its window

    explicit CKeyboardPicture(Reporter& reporter, Changed changed = {});

    int CreateKeyboard(const QRect& rect, int lowest, int highest, NoteCallback onNote, ReleaseCallback onRelease);
    // Lays the keys out again for a new range (colours back to white and black).
    void SetRange(int picture, int lowest, int highest);

    void PressNote(int note, int picture);
    void ClearPressed(int picture);
    void SetKeyColour(int picture, int note, const QColor& colour);
    void DrawKeyboard(int picture);

    // A press at (x, y) in window coordinates of the pictures' common
    // parent: the first key hit over the pictures in index order. Returns
    // whether a key was hit.
    bool MousePress(int x, int y);
    void MouseRelease();

    int Count() const { return static_cast<int>(keyboards_.size()); }
    const KeyboardLayout& Layout(int picture) const;
    const COffScreenPicture& Canvas(int picture) const;
    int HeldKey(int picture) const;
    const std::vector<int>& Pressed(int picture) const;

private:
    struct Keyboard {
        std::unique_ptr<COffScreenPicture> canvas;
        int lowest = 0;
        int highest = 0;
        KeyboardLayout layout;
        std::vector<QColor> colours;  // per key
        std::vector<int> pressed;
        int held = -1;
        NoteCallback onNote;
        ReleaseCallback onRelease;
    };
    bool Valid(int picture);
    void FillKey(Keyboard& k, std::size_t key, const QColor& colour);

    Reporter& reporter_;
    Changed changed_;
    std::vector<Keyboard> keyboards_;
};

}  // namespace songloom::pictures
