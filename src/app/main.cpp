// The desktop program: starts in the current folder, shows the main window
// and runs until it is closed.
//
//   songloom                      the program
//   songloom FILE                 the program with the song file FILE opened,
//                                 as a file dropped on the window is
//   songloom --screenshot FILE    saves the window as painted after start-up
//                                 (and FILE-playing.png while the song plays
//                                 when --play is given too), then quits
//                                 through the quit command
//   songloom --measure            prints the time from main to the first
//                                 painted page, the wall-clock time of that
//                                 paint and the resident memory, then quits

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>
#include <QTranslator>
#include <cstdio>
#include <fstream>
#include <string>

#include "app/app_services.h"
#include "app/main_messages.h"
#include "app/message_box_reporter.h"
#include "app/playback_factory.h"
#include "app/quit_signals.h"
#include "app/main_window.h"
#include "app/translations.h"

namespace {

long ResidentKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv)
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Songloom"));

    // Qt's own dialogs (file dialogs, message box buttons) in Japanese.
    QTranslator qtTranslator;
    songloom::app::InstallQtJapanese(qtTranslator);

    QString screenshot;
    QString songFile;
    bool measure = false;
    bool play = false;
    const QStringList args = QApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--screenshot") && i + 1 < args.size()) screenshot = args[++i];
        else if (args[i] == QLatin1String("--measure")) measure = true;
        else if (args[i] == QLatin1String("--play")) play = true;
        else if (!args[i].startsWith(QLatin1String("--"))) songFile = args[i];
    }

    songloom::app::MessageBoxReporter reporter;
    songloom::app::AppServices services(reporter, QDir::currentPath().toStdString());
    services.playback = songloom::app::MakeSystemPlayback(reporter);
    songloom::app::InstallEngine(services);

    songloom::app::MainWindow window(services);
    reporter.SetParentWindow(&window);
    // A logout or `kill` quits at once, writing the working files as the quit
    // button does (the working song is kept in data.dat; nobody is asked).
    songloom::app::QuitOnSignals quitOnSignals([&window] { window.QuitNow(); });
    // The file is opened once the window shows, as a file dropped on it.
    if (!songFile.isEmpty()) {
        const QString path = QFileInfo(songFile).absoluteFilePath();
        QTimer::singleShot(0, &window, [&window, path] { window.DropFiles({path}); });
    }

    if (measure) {
        QObject::connect(&window, &songloom::app::MainWindow::firstPagePainted, &app, [&] {
            const qint64 ms = sinceStart.elapsed();
            const qint64 epochMs = QDateTime::currentMSecsSinceEpoch();
            QTimer::singleShot(200, &app, [ms, epochMs] {
                std::printf("first-page-ms %lld\nfirst-page-epoch-ms %lld\nrss-kb %ld\n", static_cast<long long>(ms),
                            static_cast<long long>(epochMs), ResidentKilobytes());
                std::fflush(stdout);
                QApplication::quit();
            });
        });
    }
    if (!screenshot.isEmpty()) {
        QTimer::singleShot(1500, &window, [&] {
            window.grab().save(screenshot);
            // Ends through the quit command, as the user would.
            if (!play) {
                window.QuitNow();
                return;
            }
            window.Command(songloom::app::kCmdPlay);
            QTimer::singleShot(4000, &window, [&] {
                QString second = screenshot;
                second.replace(QLatin1String(".png"), QLatin1String("-playing.png"));
                window.grab().save(second);
                window.Command(songloom::app::kCmdPlay);
                window.QuitNow();
            });
        });
    }
    window.show();
    return QApplication::exec();
}
