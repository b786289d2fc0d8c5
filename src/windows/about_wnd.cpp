#include "windows/about_wnd.h"

#include "windows/dialog_controls.h"

namespace dc = dialog_controls;

#include <QDesktopServices>
#include <QUrl>

#include "shell/identity.h"
#include "shell/run_log.h"

CAboutWnd::CAboutWnd(QWidget* owner, const AboutInfo& info)
    : CDialogWnd(owner, QStringLiteral("AboutWnd"), QStringLiteral("msgwnd")),
      mInfo(info),
      mOpenUrl([](const QString& address) {
          return QDesktopServices::openUrl(QUrl::fromUserInput(address));
      }) {}

QString CAboutWnd::FirmwareText(const AboutInfo& info) {
    const QString model = QStringLiteral("%1 ").arg(QLatin1String(shell::kModelName));
    if (info.modelId == -1) {
        return model;
    }
    return QStringLiteral("%1${version} v%2.%3")
        .arg(model)
        .arg(info.firmwareMajor)
        .arg(info.firmwareMinor);
}

QString CAboutWnd::SoftwareText() {
    return QStringLiteral("${soft_version} %1").arg(QLatin1String(shell::kSoftwareVersion));
}

QString CAboutWnd::BuiltInFirmwareText() {
    return QStringLiteral("${inner_fw_version} v%1.%2")
        .arg(shell::kBuiltInFirmwareMajor)
        .arg(shell::kBuiltInFirmwareMinor);
}

void CAboutWnd::Notify(const ui::Notification& n) {
    if (n.Is(ui::notify::kWindowInit)) {
        if (auto* firmware = Lookup<ui::Label>(QString::fromLatin1(dc::kFwVersion))) {
            firmware->SetText(FirmwareText(mInfo));
            if (mInfo.modelId != -1) {
                firmware->setVisible(true);
            }
        }
        if (auto* software = Lookup<ui::Label>(QString::fromLatin1(dc::kSoftVersion))) {
            software->SetText(SoftwareText());
        }
        if (auto* builtIn = Lookup<ui::Label>(QString::fromLatin1(dc::kInnerFwVersion))) {
            builtIn->SetText(BuiltInFirmwareText());
            builtIn->setVisible(true);
        }
        if (auto* company = Lookup<ui::Label>(QString::fromLatin1(dc::kCompanyTitle))) {
            company->SetText(QString::fromLatin1(shell::kCaption));
            company->setVisible(false);
        }
        Lookup<ui::Button>(QString::fromLatin1(dc::kConfirmBtn));
    } else if (n.Is(ui::notify::kClick) && n.SenderStartsWith(dc::kWebBtnPrefix)) {
        if (const ui::Control* link = ui::AsControl(n.control)) {
            const QString address = link->Text().trimmed();
            if (!address.isEmpty() && mOpenUrl && !mOpenUrl(address)) {
                runlog::Log("AboutWnd: cannot open \"%s\"\n", address.toUtf8().constData());
            }
        }
        return;
    }
    CDialogWnd::Notify(n);
}

int CAboutWnd::Run(QWidget* owner, const AboutInfo& info) {
    CAboutWnd wnd(owner, info);
    wnd.Create();
    return wnd.ShowModal();
}
