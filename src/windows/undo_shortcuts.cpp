#include "windows/undo_shortcuts.h"

#include <QKeySequence>
#include <QShortcut>
#include <QWidget>

#include "model/equalizer_manager.h"

void AddUndoShortcuts(QWidget& window, model::EqualizerManager& manager) {
    auto* undo = new QShortcut(QKeySequence::Undo, &window);
    QObject::connect(undo, &QShortcut::activated, &window, [&manager] { manager.Undo(); });
    for (const QKeySequence& keys :
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)}) {
        auto* redo = new QShortcut(keys, &window);
        QObject::connect(redo, &QShortcut::activated, &window, [&manager] { manager.Redo(); });
    }
}
