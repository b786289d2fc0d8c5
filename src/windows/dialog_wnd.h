#pragma once
// What the small modal dialogs share: their identity (window class and name), lookups that
// report what a layout lacks instead of failing later, filling texts only when given, and the
// keyboard (Escape cancels, Enter presses "confirm_btn").

#include <QString>
#include <QStringList>

#include "ui/controls.h"
#include "ui/window.h"

class CDialogWnd : public ui::Window {
  public:
    // className and windowName win over the layout's wndclass and name: other windows find
    // dialogs by class ("MsgWnd"), whatever a skin says.
    CDialogWnd(QWidget* owner, const QString& className, const QString& windowName);

    // Controls the code asked for and the layout lacks, in the order asked; a complete layout
    // leaves this empty.
    const QStringList& MissingControls() const { return mMissing; }

  protected:
    template <class T>
    T* Lookup(const QString& name) {
        T* control = FindControl<T>(name);
        if (!control) {
            ReportMissing(name);
        }
        return control;
    }

    // Puts text on a control only when there is text, so an empty argument keeps what the
    // layout shows.
    static void SetTextIfGiven(ui::Control* control, const QString& text);
    // The same for the title label, which the window's caption follows (the window list and
    // anyone looking for a window by its title see what the user sees).
    void SetTitleIfGiven(ui::Control* label, const QString& title);

    void keyPressEvent(QKeyEvent* event) override;

    // The busy window cannot be dismissed from the keyboard: its owner closes it.
    bool mEscapeCancels = true;

  private:
    void ReportMissing(const QString& name);

    QStringList mMissing;
};
