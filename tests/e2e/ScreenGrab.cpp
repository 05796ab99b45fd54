// Saves the whole X screen as a binary PPM, for the end-to-end tests to read pixels from.
//   pellow-screen-grab <file.ppm>

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: pellow-screen-grab <file.ppm>\n");
        return 2;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    const QImage image =
        screen ? screen->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB888) : QImage();
    if (image.isNull() || !image.save(QString::fromLocal8Bit(argv[1]), "PPM")) {
        std::fprintf(stderr, "pellow-screen-grab: could not grab the screen\n");
        return 1;
    }
    return 0;
}
