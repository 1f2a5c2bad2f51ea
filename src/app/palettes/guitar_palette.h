#pragma once
// The guitar palette ("ギター・パレット"): a root list spelled by the song
// key's signature, the 18 chord types, a position spin over the chord book's
// fingerings of the chosen chord, the fingerboard showing the one chosen,
// and the strum button (strumRequested). The fingerboard drags a "chord:" payload; a
// "chord:" payload dropped on the palette chooses its root and type.

#include <QWidget>
#include <array>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/palettes/palette_host.h"
#include "pictures/guitar_chord_book.h"

class QComboBox;
class QPushButton;
class QSpinBox;

namespace songloom::pictures {
class CStringsMultiPicture;
}

namespace songloom::app {

// The twelve roots as the list shows them: sharps when the key's signature
// has no flats, otherwise Db, Eb, Gb, Ab and Bb.
std::vector<std::string> GuitarRootNames(int key);
// The chord book's fingerings of root (0..11) and song type (0..17); empty
// for the types the book has no name for (6, 9, m6, 7b5).
std::span<const pictures::ChordBookEntry> GuitarFingerings(int root, int type);
// Root and type of a dropped chord name (a one-character root, or two when
// the second is '#' or 'b'; a bare root is the major triad); none when the
// name is not one of the song's chords.
std::optional<std::pair<int, int>> GuitarChordOfName(std::string_view name);
// The frets a fingering is shown over: the chord book's first fret and
// five fret spaces, more when the hand spans more.
std::pair<int, int> FretWindow(const pictures::ChordBookEntry& entry);

class GuitarPalette : public QWidget {
    Q_OBJECT
public:
    explicit GuitarPalette(PaletteHost& host, QWidget* parent = nullptr);
    ~GuitarPalette() override;

    // The root list is spelled again for the song's key (entries kept).
    void RefreshForKey();
    void Choose(int root, int type, int position = 1);
    // A dropped text; true when it was a chord the palette took.
    bool DropText(const std::optional<QString>& text);
    void Strum();

    // The frets of the fingering shown, 6th string first; all -1 without one.
    std::array<int, 6> Frets() const;
    std::string ChordName() const;  // sharp-spelled name of the choice
    int positions() const;          // fingerings of the chosen chord

    QComboBox* rootList() const { return roots_; }
    QComboBox* typeList() const { return types_; }
    QSpinBox* positionSpin() const { return position_; }
    QPushButton* strumButton() const { return strum_; }
    const pictures::CStringsMultiPicture& fingerboard() const { return *board_; }
    QRect fingerboardRect() const { return boardRect_; }
    QImage PaintedImage();

signals:
    void strumRequested();

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    void ShowFingering();

    PaletteHost& host_;
    QComboBox* roots_ = nullptr;
    QComboBox* types_ = nullptr;
    QSpinBox* position_ = nullptr;
    QPushButton* strum_ = nullptr;
    std::unique_ptr<pictures::CStringsMultiPicture> board_;
    int picture_ = -1;
    QRect boardRect_{10, 80, 180, 210};
    std::array<int, 6> frets_{-1, -1, -1, -1, -1, -1};
    std::pair<int, int> window_{1, 5};
    bool pressed_ = false;
    QPoint pressPoint_;
};

}  // namespace songloom::app
