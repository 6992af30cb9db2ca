#include "window/GuideWindow.h"

#include "platform/FileCalls.h"
#include "platform/Host.h"
#include "platform/HostPath.h"

#include <QAction>
#include <QFutureWatcher>
#include <QImage>
#include <QtConcurrent/QtConcurrentRun>

GuideWindow::GuideWindow(const QString& programDir, Host& host, QWidget* parent)
    : QTextBrowser(parent)
    , m_host(host)
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
    setOpenLinks(false);   // QTextBrowser's own way reads any file a link names, on this thread
    connect(this, &QTextBrowser::anchorClicked, this, &GuideWindow::follow);

    const QString folder = programDir + QStringLiteral("\\guida");
    setPlainText(QStringLiteral("Caricamento della guida…"));
    // A pool of its own: the guide's folder may hang like any other, and a pool that hangs is left behind.
    auto* pool = new QThreadPool;
    auto* reading = new QFutureWatcher<QMap<QString, QByteArray>>(this);
    connect(reading, &QFutureWatcherBase::finished, this, [this, reading, pool, folder] {
        m_files = reading->result();
        reading->deleteLater();
        pool->deleteLater();
        if (!m_files.contains(QStringLiteral("index.html"))) {
            setWindowTitle(QStringLiteral("Guida non trovata"));
            setPlainText(QStringLiteral("Guida non trovata: ") + HostPath(folder + QStringLiteral("\\index.html")));
            return;
        }
        setHtml(QString::fromUtf8(m_files[QStringLiteral("index.html")]));
        setWindowTitle(QStringLiteral("Guida di KIVRA_Client"));
    });
    reading->setFuture(QtConcurrent::run(pool, ReadFolder, folder));
}

QVariant GuideWindow::loadResource(int type, const QUrl& name)
{
    const QByteArray file = name.isRelative() ? m_files.value(name.path()) : QByteArray();
    return type == QTextDocument::ImageResource ? QVariant(QImage::fromData(file)) : QVariant(file);
}

void GuideWindow::follow(const QUrl& link)
{
    const QString scheme = link.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("mailto"))
        return m_host.openLink(link);
    // A bare name of guida\, with no folder: a page read with the first one.
    const QString page = link.path();
    if (!scheme.isEmpty() || link.hasQuery() || page.contains(QLatin1Char('/')) || page.contains(QLatin1Char('\\')))
        return;
    if (!page.isEmpty()) {
        if (!page.endsWith(QLatin1String(".html")) || !m_files.contains(page))
            return;
        setHtml(QString::fromUtf8(m_files[page]));
    }
    if (link.hasFragment())
        scrollToAnchor(link.fragment());
}
