#include "app/command_bar.h"

#include <QAction>
#include <QHBoxLayout>
#include <QToolButton>

#include "app/command_icons.h"

namespace songloom::app {
namespace {

constexpr std::array<int, kCommandButtons> kButtonOrder{kCmdClear,   kCmdOpen,    kCmdSave,    kCmdImport,
                                                        kCmdExport,  kCmdPlay,    kCmdLibrary, kCmdSongInfo,
                                                        kCmdOptions, kCmdBarEdit, kCmdHelp,    kCmdQuit};
constexpr int kButtonSize = 40;

QString Qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

CommandBar::CommandBar(QAction* undo, QAction* redo, QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 4);
    layout->setSpacing(6);
    for (const int command : kButtonOrder) {
        auto* button = new QToolButton(this);
        button->setIcon(CommandIcon(command));
        button->setIconSize(QSize(kCommandIconSize, kCommandIconSize));
        button->setFixedSize(kButtonSize, kButtonSize);
        button->setToolTip(Qs(CommandTooltip(command)));
        connect(button, &QToolButton::clicked, this, [this, command] { emit commandTriggered(command); });
        buttons_[static_cast<std::size_t>(command)] = button;
        if (command == kCmdQuit) continue;
        layout->addWidget(button);
    }
    layout->addSpacing(12);
    undo_ = new QToolButton(this);
    undo_->setDefaultAction(undo);
    redo_ = new QToolButton(this);
    redo_->setDefaultAction(redo);
    for (QToolButton* b : {undo_, redo_}) {
        b->setFixedHeight(kButtonSize);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setMaximumWidth(150);
        layout->addWidget(b);
    }
    layout->addStretch(1);
    layout->addWidget(buttons_[kCmdQuit]);
}

QToolButton* CommandBar::button(int command) const
{
    if (command < 0 || command >= kCommandButtons) return nullptr;
    return buttons_[static_cast<std::size_t>(command)];
}

void CommandBar::SetPlaying(bool playing)
{
    QToolButton* play = buttons_[kCmdPlay];
    play->setIcon(CommandIcon(kCmdPlay, playing));
    play->setDown(false);
}

}  // namespace songloom::app
