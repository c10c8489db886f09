#include "windowdriver.h"

#include <QLabel>
#include <QtTest>

WindowDriver::WindowDriver()
    : m_window(std::make_unique<MainWindow>())
{
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window.get()))
        qWarning("main window not exposed");
}

QString WindowDriver::cell(int row, int column) const
{
    const QTableWidgetItem *item = table()->item(row, column);
    return item ? item->text() : QStringLiteral("<none>");
}

QStringList WindowDriver::enabledControls() const
{
    QStringList names;
    for (const char *name : { "action_connect_device", "action_read_device", "action_delete_device",
                              "action_word", "action_excel", "action_pdf", "action_save", "action_open" })
        if (action(name)->isEnabled())
            names << QString::fromLatin1(name).mid(7);
    // The wiring check goes with the reports.
    if (action("action_wiring_check")->isEnabled() != action("action_word")->isEnabled())
        names << QStringLiteral("wiring_check apart from word");
    // The overview, the table and the history are always enabled.
    for (const char *name : { "action_overview", "action_export_table", "action_history" })
        if (!action(name)->isEnabled())
            names << QString::fromLatin1(name).mid(7) + QStringLiteral(" disabled");
    for (const char *name : { "SRadioButton", "NRadioButton", "LRadioButton", "DRadioButton" })
        if (radio(name)->isEnabled())
            names << QString::fromLatin1(name).left(1);
    return names;
}

QImage WindowDriver::diagram() const
{
    return m_window->findChild<QLabel *>(QStringLiteral("label"))->pixmap().toImage();
}

void WindowDriver::open(const QString &path)
{
    m_dialogs.chooseFile(path);
    action("action_open")->trigger();
}

void WindowDriver::clickEntry(int row)
{
    QListWidgetItem *item = list()->item(row);
    list()->scrollToItem(item);
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualItemRect(item).center());
}

void WindowDriver::clickRadio(const char *name)
{
    QTest::mouseClick(radio(name), Qt::LeftButton, {}, QPoint(8, radio(name)->height() / 2));
}

Colour colourOf(QRgb pixel)
{
    const int r = qRed(pixel), g = qGreen(pixel), b = qBlue(pixel);
    if (b >= 60 || qMax(r, g) <= 140)
        return Other;
    return g - r > 90 ? Green : r - g > 90 ? Red : qAbs(r - g) < 60 ? Yellow : Other;
}

bool colourNear(const QImage &image, QPointF p, Colour colour, int reach)
{
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx) {
            const QPoint at(qRound(p.x()) + dx, qRound(p.y()) + dy);
            const Colour found = image.valid(at) ? colourOf(image.pixel(at)) : Other;
            if (colour == Other ? found != Other : found == colour)
                return true;
        }
    return false;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray dataFile(const QList<QByteArray> &groups)
{
    return "3000\r\n" + groups.join("\r\n") + "\r\n";
}

QByteArray outputOf(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(60000) ? process.readAllStandardOutput() : QByteArray();
}
