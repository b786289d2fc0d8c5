#pragma once
// A dialog that shows and edits the model beside the main window: it hears every change of
// the model for as long as it lives. Its notification handler marks each user action
// (model::UserAction) so that undo covers what it edits.

#include <QString>

#include "model/equalizer_manager.h"
#include "model/model_changes.h"
#include "windows/dialog_wnd.h"

class CModelWnd : public CDialogWnd, public model::ModelSubscriber {
  protected:
    CModelWnd(QWidget* owner, const QString& className, const QString& windowName,
              model::EqualizerManager& manager)
        : CDialogWnd(owner, className, windowName), mManager(manager) {
        mManager.Subscribe(this);
    }
    ~CModelWnd() override { mManager.Unsubscribe(this); }

    // Builds a W over owner with its Create() and shows it modally; 0 when the layout failed.
    template <typename W>
    static int RunModal(QWidget* owner, model::EqualizerManager& manager) {
        W wnd(owner, manager);
        return wnd.Create() ? wnd.ShowModal() : 0;
    }

    model::EqualizerManager& mManager;
};
