#include "screenshots/ScreenshotModelServices.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace sablewick {

namespace {

class SystemImageClipboard final : public ImageClipboard {
public:
    void putPng(const QByteArray& png) override
    {
        auto* data = new QMimeData;
        data->setData(QStringLiteral("image/png"), png);
        QGuiApplication::clipboard()->setMimeData(data, QClipboard::Clipboard);
    }
};

}  // namespace

ImageClipboard& systemImageClipboard()
{
    static SystemImageClipboard clipboard;
    return clipboard;
}

}  // namespace sablewick
