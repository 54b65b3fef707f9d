// A throw-away installation (bin/ with the data directories beside it) that
// a test can fill with files and point the program's directory lookup at.
#pragma once

#include "models/datadirs.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

class ScratchInstall
{
public:
    ScratchInstall()
    {
        const QString root = m_dir.path();
        for (const char *d : {"bin", "CAD_Robots", "CAD_Tools", "Objects", "Stations",
                              "Simulations", "Languages", "Sounds"})
            QDir(root).mkpath(QLatin1String(d));
        DataDirs::setApplicationDirForTesting(root + QStringLiteral("/bin"));
    }
    ~ScratchInstall() { DataDirs::setApplicationDirForTesting(QString()); }
    ScratchInstall(const ScratchInstall &) = delete;
    ScratchInstall &operator=(const ScratchInstall &) = delete;

    QString root() const { return m_dir.path(); }
    QString path(const QString &relative) const
    {
        return m_dir.path() + QLatin1Char('/') + relative;
    }

    // Writes `content` to root/relative, creating directories; returns the path.
    QString write(const QString &relative, const QByteArray &content) const
    {
        const QString p = path(relative);
        QDir().mkpath(QFileInfo(p).absolutePath());
        QFile f(p);
        if (!f.open(QIODevice::WriteOnly))
            return QString();
        f.write(content);
        return p;
    }

private:
    QTemporaryDir m_dir;
};

// Collects the messages written to the Qt debug stream while it lives.
class MessageLog
{
public:
    MessageLog()
    {
        instance() = this;
        m_previous = qInstallMessageHandler(&MessageLog::handler);
    }
    ~MessageLog()
    {
        qInstallMessageHandler(m_previous);
        instance() = nullptr;
    }
    bool contains(const QString &text) const { return !m_messages.filter(text).isEmpty(); }
    const QStringList &messages() const { return m_messages; }

private:
    static MessageLog *&instance()
    {
        static MessageLog *log = nullptr;
        return log;
    }
    static void handler(QtMsgType, const QMessageLogContext &, const QString &msg)
    {
        if (instance())
            instance()->m_messages << msg;
    }
    QStringList m_messages;
    QtMessageHandler m_previous = nullptr;
};
