#pragma once

#include <QPixmap>
#include <QWidget>

#include "ui/controls/control.h"

namespace ui {

// A skin image stretched over the control. Drawn straight into the control, so a huge control
// never makes a huge scaled copy of the image.
class Image : public QWidget, public Control {
    Q_OBJECT
  public:
    explicit Image(QWidget* parent = nullptr);
    bool Configure(const LayoutNode& node, QString* error) override;
    QStringList KnownAttributes() const override;

    void SetImage(const QString& path);
    const QString& ImagePath() const { return mImage; }
    const QPixmap& Pixmap() const { return mPixmap; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    QString mImage;
    QPixmap mPixmap;
};

}  // namespace ui
