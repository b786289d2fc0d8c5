#pragma once
// The About window: the program's and the amplifier's versions.
// "confirm_btn" closes with 1, "cancel_btn" with 0, "third_btn" with 2; a click on a control
// whose name begins with "web_btn" opens that control's text (a web address).

#include <QString>

#include <functional>

#include "windows/dialog_wnd.h"

// What the About window shows of the connection.
struct AboutInfo {
    int modelId = -1;  // -1 while no amplifier has connected
    int firmwareMajor = 0;
    int firmwareMinor = 0;
};

class CAboutWnd final : public CDialogWnd {
  public:
    static constexpr char kLayout[] = "XML_ABOUT";

    CAboutWnd(QWidget* owner, const AboutInfo& info);

    using ui::Window::Create;
    bool Create() { return Create(QString::fromLatin1(kLayout)); }

    // The texts of "fw_version", "soft_version" and "inner_fw_version", with text keys left in
    // so they follow language changes.
    static QString FirmwareText(const AboutInfo& info);
    static QString SoftwareText();
    static QString BuiltInFirmwareText();

    // Replaces the desktop's handler for web addresses; returns whether it was opened.
    void SetUrlOpener(std::function<bool(const QString&)> opener) { mOpenUrl = std::move(opener); }

    static int Run(QWidget* owner, const AboutInfo& info);

    void Notify(const ui::Notification& n) override;

  private:
    AboutInfo mInfo;
    std::function<bool(const QString&)> mOpenUrl;
};
