// The main window's file commands: song files, MIDI export and import, files
// dropped from the desktop, and the question before a modified score goes.

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>
#include <cctype>

#include "app/background_work.h"
#include "app/main_window.h"
#include "app/score_view.h"
#include "app/style_preview.h"
#include "common/text.h"
#include "pictures/score_pdf.h"
#include "pictures/song_view.h"
#include "song/musicxml_writer.h"

namespace songloom::app {
namespace {

QString Qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

std::optional<std::string> ShowFileDialog(QWidget* parent, const FileDialogRequest& request)
{
    QString filter;
    QString suffix;
    bool save = false;
    switch (request.kind) {
    case FileDialogKind::kOpenSong: filter = QStringLiteral("songloom files (*.sld)"); suffix = "sld"; break;
    case FileDialogKind::kSaveSong:
        filter = QStringLiteral("songloom files (*.sld)");
        suffix = "sld";
        save = true;
        break;
    case FileDialogKind::kImportMidi: filter = QStringLiteral("SMF files (*.mid)"); suffix = "mid"; break;
    case FileDialogKind::kExportMidi:
        // The rendered song, or the score as notation or as printed pages.
        filter = QStringLiteral("midi files (*.mid);;MusicXML (*.musicxml);;PDF (*.pdf)");
        suffix = "mid";
        save = true;
        break;
    }
    QFileDialog dialog(parent, QString(), QString(), filter);
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& chosen) {
        const qsizetype dot = chosen.lastIndexOf(QLatin1Char('.'));
        dialog.setDefaultSuffix(chosen.mid(dot + 1).chopped(1));
    });
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(suffix);
    // The save dialog asks before it overwrites (Qt's default).
    if (!request.proposed.empty()) dialog.selectFile(QString::fromStdString(request.proposed));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

std::optional<song::KeyChangeAnswer> AskTransposition(QWidget* parent)
{
    QMessageBox box(parent);
    box.setWindowTitle(Qs(song::kTransposeDialogTitle));
    box.setText(Qs(kTransposeQuestion));
    QPushButton* transpose = box.addButton(Qs(song::kTransposeButton), QMessageBox::AcceptRole);
    QPushButton* signature = box.addButton(Qs(song::kSignatureOnlyButton), QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(QMessageBox::Cancel);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == transpose) return song::KeyChangeAnswer::kTranspose;
    if (box.clickedButton() == signature) return song::KeyChangeAnswer::kSignatureOnly;
    return std::nullopt;  // Cancel, Escape or the close box: the key stays
}

SaveChangesAnswer AskSaveChanges(QWidget* parent)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Songloom"), Qs(kSaveChangesQuestion),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
    case QMessageBox::Save: return SaveChangesAnswer::kSave;
    case QMessageBox::Discard: return SaveChangesAnswer::kDiscard;
    default: return SaveChangesAnswer::kCancel;
    }
}

bool MainWindow::MaySongGo()
{
    if (!document_->dirty()) return true;
    switch (saveChangesAsker_()) {
    case SaveChangesAnswer::kDiscard: return true;
    case SaveChangesAnswer::kCancel: return false;
    case SaveChangesAnswer::kSave: break;
    }
    const auto path = fileChooser_({FileDialogKind::kSaveSong, document_->currentFile()});
    return path && SaveSongTo(*path);
}

bool MainWindow::OpenSongFile(const std::string& path)
{
    if (!MaySongGo()) return false;
    if (songPlaying_) PlaySong();  // the song being played is about to go
    return document_->Open(path);
}

bool MainWindow::SaveSongTo(const std::string& path) { return document_->SaveAs(path); }

bool MainWindow::ExportMidiTo(const std::string& path)
{
    const auto endsWith = [&path](std::string_view suffix) {
        return path.size() >= suffix.size() &&
               std::equal(suffix.rbegin(), suffix.rend(), path.rbegin(),
                          [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
    };
    // The score as it is shown: for the instrument chosen in the options.
    const int writtenAbove = score_->writtenAbove();
    if (endsWith(".musicxml") || endsWith(".xml")) {
        song::MusicXmlOptions options;
        options.transposition = writtenAbove;
        return song::WriteMusicXml(reporter_, song(), path, options);
    }
    if (endsWith(".pdf")) {
        const auto text = [](const std::array<char, 64>& field) {
            return Cp932ToUtf8(FieldText(field.data(), field.size()));
        };
        return pictures::WriteScorePdf(reporter_, song::TransposedView(pictures::SongViewOf(song()), writtenAbove),
                                       {text(song().info.title), text(song().info.composer)}, path);
    }
    return services_.render(song(), path);
}

bool MainWindow::ImportMidiFrom(const std::string& path)
{
    if (importing_) return false;
    if (songPlaying_) PlaySong();
    stylePreview_->Stop();
    // A large file takes a while to read and analyse: the window stays
    // responsive, with a progress dialog after half a second.
    importing_ = true;
    const bool imported = document_->Import(path, [this](const std::function<void()>& work) {
        RunWithProgress(this, QStringLiteral("MIDIファイルを読み込んでいます…"), work);
    });
    importing_ = false;
    return imported;
}

void MainWindow::DropFiles(const QStringList& paths)
{
    if (paths.size() > 1) {
        ShowMainMessage(reporter_, main_message::kSeveralFiles);
        return;
    }
    if (paths.size() == 1) OpenSongFile(paths.first().toStdString());
}

}  // namespace songloom::app
