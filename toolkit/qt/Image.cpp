#include "Image.h"

#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>

namespace {

class TImageWidget final : public QWidget {
public:
    QImage Picture;

protected:
    void paintEvent(QPaintEvent*) override {
        if (Picture.isNull())
            return;
        QPainter Painter(this);
        Painter.drawImage(0, 0, Picture);
    }
};

TImageWidget* View(QWidget* W) {
    return static_cast<TImageWidget*>(W);
}

} // namespace

TImage::TImage(TComponent* AOwner) : TControl(AOwner) {
    SetWidget(new TImageWidget, true);
}

void TImage::SetPicture(int AWidth, int AHeight, const std::uint8_t* Rgb) {
    if (AWidth <= 0 || AHeight <= 0 || Rgb == nullptr) {
        ClearPicture();
        return;
    }
    // The caller's rows are borrowed for the conversion only; the copy is ours.
    const QImage Borrowed(Rgb, AWidth, AHeight, AWidth * 3, QImage::Format_RGB888);
    View(Widget())->Picture = Borrowed.copy();
    Widget()->update();
}

void TImage::ClearPicture() {
    View(Widget())->Picture = QImage();
    Widget()->update();
}

int TImage::PictureWidth() const {
    return View(Widget())->Picture.width();
}
int TImage::PictureHeight() const {
    return View(Widget())->Picture.height();
}
