// kivelo-icon-render: the program icon as PNG files, painted by the same code
// that paints the window icon, so the desktop's icon and the window's agree.
//
//   kivelo-icon-render OUTDIR SIZE...    writes OUTDIR/SIZE.png for each size
//   kivelo-icon-render --compare A B     prints the mean difference of two
//                                        images of one size, 0..255 per channel
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/ui/CIcons.h"

namespace {

int Usage() {
    std::fputs(
        "usage: kivelo-icon-render OUTDIR SIZE...\n"
        "       kivelo-icon-render --compare A.png B.png\n",
        stderr);
    return 2;
}

// Both images as premultiplied ARGB, so that colour under transparent pixels
// does not count.
int Compare(const char* a, const char* b) {
    const QImage x = QImage(QString::fromLocal8Bit(a)).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage y = QImage(QString::fromLocal8Bit(b)).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (x.isNull() || y.isNull()) {
        std::fprintf(stderr, "kivelo-icon-render: cannot read %s\n", x.isNull() ? a : b);
        return 1;
    }
    if (x.size() != y.size()) {
        std::fprintf(stderr, "kivelo-icon-render: sizes differ: %dx%d and %dx%d\n", x.width(), x.height(), y.width(),
                     y.height());
        return 1;
    }
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col)
            sum += std::abs(qRed(p[col]) - qRed(q[col])) + std::abs(qGreen(p[col]) - qGreen(q[col])) +
                   std::abs(qBlue(p[col]) - qBlue(q[col])) + std::abs(qAlpha(p[col]) - qAlpha(q[col]));
    }
    std::printf("%.3f\n", sum / (4.0 * x.width() * x.height()));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Usage();
    if (std::strcmp(argv[1], "--compare") == 0) return argc == 4 ? Compare(argv[2], argv[3]) : Usage();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        char* end = nullptr;
        const long size = std::strtol(argv[i], &end, 10);
        if (*end != '\0' || size < 8 || size > 1024) return Usage();
        QImage image(static_cast<int>(size), static_cast<int>(size), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            kivelo::app::PaintProgramIcon(painter, QRectF(0, 0, size, size));
        }
        const QString path = folder + QStringLiteral("/%1.png").arg(size);
        if (!image.save(path, "PNG")) {
            std::fprintf(stderr, "kivelo-icon-render: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
