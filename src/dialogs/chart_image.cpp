#include "dialogs/chart_image.h"

#include "base/atomic_file.h"
#include "base/error.h"

#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

namespace talvena {

void SaveChartImage(QChartView& view, const QString& fileName)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (fileName.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(view.size());
        svg.setViewBox(view.rect());
        svg.setTitle(view.chart()->title());
        QPainter painter(&svg);
        view.render(&painter);
    } else {
        QImage image(view.size() * view.devicePixelRatio(), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(view.devicePixelRatio());
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            view.render(&painter);
        }
        if (!image.save(&buffer, "PNG")) throw Error("Не удалось построить рисунок графика.");
    }
    try {
        WriteFileAtomically(fileName, bytes);
    } catch (const FileError& e) {
        throw Error(formatMessage("Не удалось записать файл \"%s\". %s",
                                  {QDir::toNativeSeparators(fileName).toStdString(), e.reason().toStdString()}));
    }
}

} // namespace talvena
