#include "window/GuideWindow.h"

#include "platform/FileCalls.h"
#include "platform/HostPath.h"

#include <QAction>
#include <QFutureWatcher>
#include <QImage>
#include <QtConcurrent/QtConcurrentRun>

GuideWindow::GuideWindow(const QString& programDir, QWidget* parent)
    : QTextBrowser(parent)
{
    setWindowFlag(Qt::Window);
    setObjectName(QStringLiteral("GuideWindow"));
    setWindowTitle(QStringLiteral("Guida"));
    setAccessibleName(QStringLiteral("Guida di KIVRA_Client"));
    resize(720, 640);
    auto* close = new QAction(this);
    close->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(close, &QAction::triggered, this, &QWidget::close);
    addAction(close);

    const QString folder = programDir + QStringLiteral("\\guida");
    setPlainText(QStringLiteral("Caricamento della guida…"));
    // A pool of its own: the guide's folder may hang like any other, and a pool that hangs is left behind.
    auto* pool = new QThreadPool;
    auto* reading = new QFutureWatcher<QMap<QString, QByteArray>>(this);
    connect(reading, &QFutureWatcherBase::finished, this, [this, reading, pool, folder] {
        const QMap<QString, QByteArray> files = reading->result();
        reading->deleteLater();
        pool->deleteLater();
        if (!files.contains(QStringLiteral("index.html"))) {
            setWindowTitle(QStringLiteral("Guida non trovata"));
            setPlainText(QStringLiteral("Guida non trovata: ") + HostPath(folder + QStringLiteral("\\index.html")));
            return;
        }
        for (auto file = files.cbegin(); file != files.cend(); ++file)
            if (file.key().endsWith(QLatin1String(".png")))
                document()->addResource(QTextDocument::ImageResource, QUrl(file.key()), QImage::fromData(file.value()));
        setHtml(QString::fromUtf8(files[QStringLiteral("index.html")]));
        setWindowTitle(QStringLiteral("Guida di KIVRA_Client"));
    });
    reading->setFuture(QtConcurrent::run(pool, ReadFolder, folder));
}
