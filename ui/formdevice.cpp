#include "ui/formdevice.h"
#include "ui_formdevice.h"

#include "app/version.h"
#include "ui/windowfit.h"

#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QPixmapCache>
#include <QStringList>

namespace {

const QSize pictureBox(60, 50);

// The carried picture is a full-size photograph; decoding it straight to the panel's size avoids holding the
// full ~30 MB image only to throw most of it away; the window sizes itself with a panel too, so it is decoded once.
QPixmap devicePicture()
{
    const QString key = QStringLiteral("kivra-zid/device-picture");
    QPixmap cached;
    if (QPixmapCache::find(key, &cached))
        return cached;
    QImageReader reader(QStringLiteral(":/brask/image/KIVRA KEY.jpg"));
    const QSize fullSize = reader.size();
    if (fullSize.isValid()) {
        reader.setScaledSize(fullSize.scaled(pictureBox, Qt::KeepAspectRatio));
    }
    QImage image = reader.read();
    if (image.isNull()) {
        return QPixmap();
    }
    // The reader's result already fits unless the format could not report its size in advance.
    if (image.width() > pictureBox.width() || image.height() > pictureBox.height()) {
        image = image.scaled(pictureBox, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    cached = QPixmap::fromImage(image);
    QPixmapCache::insert(key, cached);
    return cached;
}

} // namespace

QString displayedVersion(quint8 major, quint8 minor, quint8 build)
{
    for (const ReleasedBuild &released : releasedBuilds) {
        if (released.major == major && released.minor == minor && released.build == build)
            return QString::fromLatin1(released.release);
    }
    if (major == 0 && minor == 1) {
        major = 1;
        minor = 0;
    }
    return QStringLiteral("%1.%2.%3").arg(uint(major)).arg(uint(minor)).arg(uint(build));
}

FormDevice::FormDevice(QWidget *parent, QString hardwareText, QString skuText, quint8 fwMajor, quint8 fwMinor,
                       quint8 fwBuild)
    : QWidget(parent), ui(new Ui_FormDevice)
{
    Q_ASSERT_X(parent, "FormDevice", "the panel sizes itself from its parent");
    ui->setupUi(this);
    // Taking over the designer's layout lets it span the whole panel, whatever width the table cell gives it.
    setLayout(ui->horizontalLayout);

    ui->hw->setText(hardwareText);
    ui->sku->setText(skuText);
    ui->fw->setText(displayedVersion(fwMajor, fwMinor, fwBuild));
    ui->label->setPixmap(devicePicture());
    // The panel's lines as one text, caption and value, for where the panel sits: the table hands its cells, not the
    // widgets placed in them, to a screen reader.
    setAccessibleName(QStringList({ui->label_2->text() + QLatin1Char(' ') + ui->hw->text(),
                                   ui->label_3->text() + QLatin1Char(' ') + ui->sku->text(),
                                   ui->label_4->text() + QLatin1Char(' ') + ui->fw->text()})
                          .join(QLatin1Char('\n')));

    if (parent != nullptr) {
        setFixedHeight(devicePanelHeight(parent->height(), minimumSizeHint().height()));
    }
}

FormDevice::~FormDevice()
{
    delete ui;
}
