// kivra-zid-icons <icon> <output directory> <size>...: writes <output directory>/<size>/kivra-zid-update.png for each
// size, the icon scaled smoothly from its largest image. Run at build time for the desktop's icon theme, so that a
// new Logo.ico dropped into resources/ gives new theme icons.
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    QTextStream err(stderr);
    if (args.size() < 4) {
        err << "usage: kivra-zid-icons <icon> <output directory> <size>...\n";
        return 2;
    }
    QImageReader reader(args.at(1));
    QImage best;
    do {
        const QImage image = reader.read();
        if (!image.isNull() && image.width() > best.width())
            best = image;
    } while (reader.jumpToNextImage());
    if (best.isNull()) {
        err << "cannot read " << args.at(1) << ": " << reader.errorString() << '\n';
        return 1;
    }
    for (int i = 3; i < args.size(); ++i) {
        bool ok = false;
        const int size = args.at(i).toInt(&ok);
        if (!ok || size <= 0 || size > 1024) {
            err << "bad size " << args.at(i) << '\n';
            return 2;
        }
        const QString directory = QStringLiteral("%1/%2").arg(args.at(2)).arg(size);
        QDir().mkpath(directory);
        const QImage scaled = best.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        if (!scaled.save(directory + QStringLiteral("/kivra-zid-update.png"))) {
            err << "cannot write " << directory << '\n';
            return 1;
        }
    }
    return 0;
}
