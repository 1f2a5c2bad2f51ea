#pragma once
// Qt's own texts (file dialogs, message-box buttons, context menus of edit
// boxes) in Japanese.

class QTranslator;

namespace songloom::app {

// Loads Qt's Japanese translation from Qt's translations folder into
// translator and installs it; false when the translation is not installed.
bool InstallQtJapanese(QTranslator& translator);

}  // namespace songloom::app
