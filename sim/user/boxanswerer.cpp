#include "sim/user/boxanswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QPushButton>

namespace {
constexpr int pollIntervalMs = 10;
}

BoxAnswerer::BoxAnswerer(QObject *parent, Watch watch) : QObject(parent)
{
    if (watch == Watch::ShowEvents) {
        qApp->installEventFilter(this);
        return;
    }
    connect(&pollTimer, &QTimer::timeout, this, &BoxAnswerer::poll);
    pollTimer.start(pollIntervalMs);
}

bool BoxAnswerer::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show) {
        auto *box = qobject_cast<QMessageBox *>(watched);
        if (box && !pending.contains(box))
            noticed(box);
    }
    return false;
}

void BoxAnswerer::enqueue(QMessageBox::StandardButton button)
{
    answers.append(button);
}

void BoxAnswerer::poll()
{
    const auto widgets = QApplication::topLevelWidgets();
    QSet<QMessageBox *> visible;
    for (QWidget *w : widgets) {
        auto *box = qobject_cast<QMessageBox *>(w);
        if (box && box->isVisible())
            visible.insert(box);
    }
    // A box that was hidden may be shown again later and then counts as a new one.
    answered_.intersect(visible);
    pending.intersect(visible);
    for (QMessageBox *box : qAsConst(visible)) {
        if (!answered_.contains(box) && !pending.contains(box))
            noticed(box);
    }
}

void BoxAnswerer::noticed(QMessageBox *box)
{
    answered_.remove(box);
    pending.insert(box);
    emit shown(box->text());
    // A box gone before the pause has passed is forgotten: its address may come back as another box.
    QPointer<QMessageBox> guard(box);
    QTimer::singleShot(pauseMs, this, [this, guard, box] {
        if (guard && guard->isVisible() && pending.contains(box))
            answer(box);
        else
            pending.remove(box);
    });
}

void BoxAnswerer::answer(QMessageBox *box)
{
    pending.remove(box);
    answered_.insert(box);
    RecordedBox r;
    r.title = box->windowTitle();
    r.text = box->text();
    r.icon = box->icon();
    r.buttons = box->standardButtons();
    for (QAbstractButton *b : box->buttons())
        r.buttonTexts.insert(box->standardButton(b), b->text().remove(QLatin1Char('&')));
    r.position = box->pos();
    QAbstractButton *button = nullptr;
    if (!answers.isEmpty())
        button = box->button(answers.takeFirst());
    else if (fallback != QMessageBox::NoButton)
        button = box->button(fallback);
    if (!button)
        button = box->defaultButton();
    if (!button && !box->buttons().isEmpty())
        button = box->buttons().first();
    r.pressed = button ? box->standardButton(button) : QMessageBox::NoButton;
    recorded.append(r);
    if (!screenshotDirectory.isEmpty())
        saveScreenshots(box);
    emit answered(r);
    if (button)
        button->click();
    else
        box->reject();
}

void BoxAnswerer::saveScreenshots(QMessageBox *box)
{
    QDir().mkpath(screenshotDirectory);
    const QString prefix =
        QStringLiteral("%1/%2-").arg(screenshotDirectory).arg(++screenshotCount, 2, 10, QLatin1Char('0'));
    if (QWidget *window = box->parentWidget())
        window->window()->grab().save(prefix + QStringLiteral("window.png"));
    box->grab().save(prefix + QStringLiteral("box.png"));
}
