#pragma once
// Ctrl+Z undoes, Ctrl+Shift+Z and Ctrl+Y redo, in any window that edits the sound settings.

class QWidget;
namespace model {
class EqualizerManager;
}  // namespace model

void AddUndoShortcuts(QWidget& window, model::EqualizerManager& manager);
