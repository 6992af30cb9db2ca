#pragma once
#include "TestHost.h"
#include "settings/Settings.h"
#include "window/frmClient.h"

#include <QLabel>
#include <QTemporaryDir>

#include <memory>

// The window on real folders: a program folder with its settings file, a request folder, an
// output root with Lotto7 in it, and drawings to drop.
class WindowFixture : public QObject {
protected:
    QTemporaryDir m_tmp;
    SettingsRecord s;
    TestHost host;

    QString programDir() const { return m_tmp.filePath("programma"); }
    QString jobs() const { return m_tmp.filePath("Richieste"); }
    QString out() const { return m_tmp.filePath("Uscita"); }

    void makeFolders()
    {
        for (const QString& dir : {programDir(), jobs(), out() + "/Lotto7", m_tmp.filePath("Disegni")})
            QDir().mkpath(dir);
    }

    // A fresh host at 12:41:18 and an empty request folder.
    void resetHost()
    {
        host.warnings.clear();
        host.time = 45678;
        for (const QString& f : QDir(jobs()).entryList(QDir::Files))
            QFile::remove(jobs() + "/" + f);
    }

    // Starts the window on a settings file; a null file means none is there.
    std::unique_ptr<frmClient> start(const QByteArray& ini = "MaxNumberFiles=3")
    {
        QFile::remove(programDir() + "/kivra_client.ini");
        if (!ini.isNull()) {
            QByteArray text = "JobFileDir=" + Native(jobs()).toUtf8() + "\r\nDXFOutDirRoot="
                              + Native(out()).toUtf8() + "\r\n" + ini;
            WriteBytes(programDir() + "/kivra_client.ini", text);
        }
        return std::make_unique<frmClient>(s, host, Native(programDir()));
    }

    QStringList drawings(int count) const
    {
        QStringList files;
        for (int i = 1; i <= count; ++i) {
            files << m_tmp.filePath(QString("Disegni/pezzo%1.dxf").arg(i));
            WriteBytes(files.last(), "0\nEOF\n");
        }
        return files;
    }

    static QString colour(const frmClient& w)
    {
        return w.lblStatus->palette().color(QPalette::Window).name();
    }
};
