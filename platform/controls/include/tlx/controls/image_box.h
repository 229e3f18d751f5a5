// Shows a picture: at its own size, or (stretched) scaled into the box keeping its shape.
#pragma once

#include <QLabel>
#include <QPixmap>

namespace tlx::controls {

class ImageBox : public QLabel {
    Q_OBJECT

  public:
    explicit ImageBox(QWidget* parent = nullptr);

    // A null picture empties the box.
    void SetPicture(const QPixmap& picture);
    const QPixmap& Picture() const { return picture_; }
    void SetStretch(bool stretch);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void Show();
    QPixmap picture_;
    bool stretch_ = false;
};

}  // namespace tlx::controls
