// The scene menu's file items: scene and whole profiles saved to and loaded from disk; the
// output menu's filter lists; and the option menu's A/B slot files.

#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QTreeView>

#include "model/band_set.h"
#include "profiles/ab_file.h"
#include "profiles/filter_text.h"
#include "profiles/profile_error.h"
#include "profiles/profile_files.h"
#include "profiles/profile_writer.h"
#include "shell/run_log.h"
#include "shell/settings.h"
#include "ui/resources.h"
#include "windows/main_view.h"
#include "windows/main_wnd.h"
#include "windows/msg_wnd.h"

namespace {

// The dialog filters follow the saved language: Chinese for index 1, English otherwise.
QString FileFilter(bool whole) {
    const bool chinese = shell::Settings().ReadLanguage() == 1;
    if (whole) {
        return chinese ? QStringLiteral("整机配置文件(*.wpf);;所有文件(*.*)")
                       : QStringLiteral("Whole Config Profile(*.wpf);;All Files(*.*)");
    }
    return chinese ? QStringLiteral("场景配置文件(*.spf);;所有文件(*.*)")
                   : QStringLiteral("Scene Profile(*.spf);;All Files(*.*)");
}

// Qt's own dialog in the program's theme, on every platform, large enough that the name,
// size, type and date columns all show whole.
void ShapeFileDialog(QFileDialog& dialog) {
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    const double scale = ui::UiScaleDpi() / 96.0;
    dialog.resize(static_cast<int>(820 * scale), static_cast<int>(480 * scale));
    if (auto* files = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = files->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        for (int column = 1; column < header->count(); ++column) {
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
        }
    }
}

}  // namespace

QString CMainWnd::ChooseProfileFile(bool save, bool whole) {
    if (mConfig.chooseFile) {
        return mConfig.chooseFile(save, whole);
    }
    QFileDialog dialog(this, QString(), QDir::currentPath(), FileFilter(whole));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setDefaultSuffix(whole ? QStringLiteral("wpf") : QStringLiteral("spf"));
    ShapeFileDialog(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return QString();
    }
    const QString path = dialog.selectedFiles().first();
    runlog::Log(save ? "GetSaveFileName %s ok\n" : "GetOpenFileName %s ok\n",
                path.toUtf8().constData());
    return path;
}

void CMainWnd::SaveSenceConfigToFile() {
    runlog::Log("%s\n", "SaveSenceConfigToFile");
    const QString path = ChooseProfileFile(true, false);
    if (path.isEmpty()) {
        return;
    }
    const std::string text = profiles::WriteSceneProfile(mManager->State().live);
    const profiles::ProfileFailure failure = profiles::SaveToFile(path.toStdString(), text);
    ShowMessage(
        QString::fromLatin1(failure ? profiles::MessageKey(failure.error) : profiles::kSaveOkKey));
}

void CMainWnd::SaveWholeConfigToFile() {
    runlog::Log("%s\n", "SaveWholeConfigToFile");
    const QString path = ChooseProfileFile(true, true);
    if (path.isEmpty()) {
        return;
    }
    // The stored scenes are read from the amplifier first; the file is written once the
    // model holds them.
    mManager->Scenes().StartReadWholeProfile([this, path] {
        const model::ModelState& state = mManager->State();
        const std::string text = profiles::WriteWholeProfile(state.live, state.scenes);
        const profiles::ProfileFailure failure = profiles::SaveToFile(path.toStdString(), text);
        ShowMessageLater(QString::fromLatin1(failure ? profiles::MessageKey(failure.error)
                                                     : profiles::kSaveOkKey));
    });
}

void CMainWnd::LoadSenceConfigFromFile() {
    runlog::Log("%s\n", "LoadSenceConfigFromFile");
    const QString path = ChooseProfileFile(false, false);
    if (path.isEmpty()) {
        return;
    }
    model::ModelState& state = mManager->State();
    profiles::SceneProfileLoad load = profiles::LoadSceneProfile(path.toStdString(), state.live);
    if (!load.Ok()) {
        // Nothing in the model or the amplifier changes on a bad file.
        ShowMessage(QString::fromLatin1(profiles::MessageKey(load.failure.error)));
        return;
    }
    state.live = *load.live;
    mManager->Scenes().StartSetCurScene();
}

void CMainWnd::LoadWholeConfigFromFile() {
    runlog::Log("%s\n", "LoadWholeConfigFromFile");
    const QString path = ChooseProfileFile(false, true);
    if (path.isEmpty()) {
        return;
    }
    model::ModelState& state = mManager->State();
    profiles::WholeProfileLoad load =
        profiles::LoadWholeProfile(path.toStdString(), state.live, state.scenes);
    if (!load.Ok()) {
        ShowMessage(QString::fromLatin1(profiles::MessageKey(load.failure.error)));
        return;
    }
    state.live = *load.live;
    state.scenes = *load.scenes;
    mManager->Scenes().StartSetWholeProfile();
}

QString CMainWnd::ChooseFilterFile(bool save) {
    if (mConfig.chooseFilterFile) {
        return mConfig.chooseFilterFile(save);
    }
    QFileDialog dialog(this, QString(), QDir::currentPath(),
                       QStringLiteral("Filter lists (*.txt);;All Files(*.*)"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    ShapeFileDialog(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return QString();
    }
    return dialog.selectedFiles().first();
}

void CMainWnd::ImportFilters(int output) {
    if (!model::IsOutputIndex(output)) {
        return;
    }
    const QString path = ChooseFilterFile(false);
    if (path.isEmpty()) {
        return;
    }
    std::string error;
    const std::optional<profiles::FilterText> text =
        profiles::LoadFilterFile(path.toStdString(), &error);
    if (!text) {
        ShowMessage(QStringLiteral("${filters_load_error}\n") + QString::fromStdString(error));
        return;
    }
    const profiles::FilterImport import =
        profiles::MapFilterText(*text, mManager->State().live, output);
    if (!import.refused.empty()) {
        QString lines = QStringLiteral("${filters_refused}");
        for (const std::string& line : import.refused) {
            lines += QLatin1Char('\n') + QString::fromStdString(line);
        }
        ShowMessage(lines);
        return;
    }
    model::ProfileRecord next = mManager->State().live;
    model::ApplyBandSet(next, output, import.bands, import.gain);
    // Seen before it is applied: the imported curve over the current one, on that output.
    mManager->Outputs().SetCurChannelChange(output);
    mView->ShowTrace(UIEqualizer::Trace::Preview, &next);
    const int answer = CMsgWnd::MessageBox(this, "${tips}", "${filters_preview}",
                                           {"${filters_apply}", "${cancel}"});
    mView->ShowTrace(UIEqualizer::Trace::Preview, nullptr);
    if (answer != 1) {
        return;
    }
    runlog::Log("import %zu filters onto output %d\n", text->filters.size(), output);
    mManager->ApplyLiveSet(std::move(next));
}

void CMainWnd::ExportFilters(int output) {
    if (!model::IsOutputIndex(output)) {
        return;
    }
    const QString path = ChooseFilterFile(true);
    if (path.isEmpty()) {
        return;
    }
    const std::string text = profiles::WriteFilterText(mManager->State().live, output);
    const profiles::ProfileFailure failure = profiles::SaveToFile(path.toStdString(), text);
    ShowMessage(failure ? QString::fromLatin1(profiles::MessageKey(failure.error))
                        : QStringLiteral("${filters_saved}"));
}

QString CMainWnd::ChooseAbFile(bool save) {
    if (mConfig.chooseAbFile) {
        return mConfig.chooseAbFile(save);
    }
    const QString filter = ui::ResolveText(QStringLiteral("${ab_files}")) +
                           QStringLiteral(" (*.ab.json);;All Files(*.*)");
    QFileDialog dialog(this, QString(), QDir::currentPath(), filter);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("ab.json"));
    ShapeFileDialog(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return QString();
    }
    return dialog.selectedFiles().first();
}

void CMainWnd::SaveAbSlots() {
    const QString path = ChooseAbFile(true);
    if (path.isEmpty()) {
        return;
    }
    const model::AbSlots& ab = mManager->AB();
    const std::string text =
        profiles::WriteAbFile(ab.Record(model::AbSlot::A), ab.Record(model::AbSlot::B), ab.Live());
    const profiles::ProfileFailure failure = profiles::SaveToFile(path.toStdString(), text);
    ShowMessage(
        QString::fromLatin1(failure ? profiles::MessageKey(failure.error) : profiles::kSaveOkKey));
}

void CMainWnd::LoadAbSlots() {
    const QString path = ChooseAbFile(false);
    if (path.isEmpty()) {
        return;
    }
    // What a slot file does not hold stays as the live set has it, in both slots.
    const profiles::AbFileLoad load =
        profiles::LoadAbFile(path.toStdString(), mManager->State().live);
    if (!load.Ok()) {
        runlog::Log("A/B slots refused: %s\n", load.failure.detail.c_str());
        ShowMessage(QString::fromLatin1(profiles::MessageKey(load.failure.error)));
        return;
    }
    mManager->AB().Load(*load.a, *load.b, load.live);
}
