#pragma once
// The file dialog for firmware images: only the names the update accepts are offered.

#include <QString>

class QWidget;

namespace firmware {

QString ChooseImageFile(QWidget* owner);

}  // namespace firmware
