#pragma once
// The scale selector ("スケール"): the scales of the song's key; a choice
// tells the chord palette (its entry number).

#include <QWidget>
#include <functional>

class QListWidget;

namespace songloom::app {

class ScaleSelector : public QWidget {
    Q_OBJECT
public:
    // chosen(entry) runs for every choice the user makes.
    explicit ScaleSelector(std::function<void(int entry)> chosen, QWidget* parent = nullptr);

    // Fills the list for key and selects entry 0 (without telling anyone).
    void Refill(int key);
    // A choice, as a click in the list makes it.
    void Choose(int entry);

    QListWidget* list() const { return list_; }

private:
    QListWidget* list_ = nullptr;
    std::function<void(int)> chosen_;
};

}  // namespace songloom::app
