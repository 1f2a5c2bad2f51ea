#include "app/translations.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTranslator>

namespace songloom::app {
namespace {

TEST(Translations, QtDialogsSpeakJapanese)
{
    QTranslator translator;
    ASSERT_TRUE(InstallQtJapanese(translator));
    // The message box's Cancel button.
    EXPECT_NE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
    QCoreApplication::removeTranslator(&translator);
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
}

}  // namespace
}  // namespace songloom::app
