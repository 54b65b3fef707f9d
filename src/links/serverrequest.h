// One request of the robot data server, read from the bytes a client sends,
// in pieces of any size and without a socket (wire format in
// serverlistener.h):
//
//   qint32 rows, qint32 cols (big-endian), then
//     rows = cols = 0:  QString command (quint32 byte count, UTF-16BE)
//     otherwise:        rows * cols doubles (big-endian IEEE), column by column
//
// feed() takes only what the request still needs and stops right after the
// header, so the caller can judge the announced dimensions (a loaded robot,
// a memory budget) before any array value is read.
#pragma once

#include <QString>
#include <QVector>

class ServerRequest
{
public:
    static constexpr int kHeaderBytes = 8;
    // No program a robot could play has more values than this; a header that
    // announces more is not honest.
    static constexpr qint64 kMaxArrayValues = 10000000;
    // The longest command text taken, in bytes on the wire; the known
    // commands are far shorter.
    static constexpr quint32 kMaxCommandBytes = 256;

    enum class Stage
    {
        Header,
        Command,  // header read: a command text follows
        Array,    // header read: rows * cols values follow
        Complete, // command() or values() hold the request
        Refused   // refusal() says why; nothing more is taken
    };

    // Returns the bytes taken from `data`.
    qint64 feed(const char *data, qint64 size);

    Stage stage() const { return m_stage; }
    qint32 rows() const { return m_rows; }
    qint32 cols() const { return m_cols; }
    // A negative dimension, or more than kMaxArrayValues values announced.
    bool headerRefused() const { return m_headerRefused; }
    const char *refusal() const { return m_refusal; }
    bool isCommand() const { return m_rows == 0 && m_cols == 0; }
    const QString &command() const { return m_command; }
    qint64 expectedValues() const { return qint64(m_rows) * qint64(m_cols); }
    // Column by column; complete when the stage is Complete.
    const QVector<double> &values() const { return m_values; }
    QVector<double> takeValues();

private:
    qint64 feedHeader(const char *data, qint64 size);
    qint64 feedCommand(const char *data, qint64 size);
    qint64 feedArray(const char *data, qint64 size);
    void refuse(const char *why);

    Stage m_stage = Stage::Header;
    QByteArray m_pending; // header, command or the start of a value
    qint32 m_rows = 0;
    qint32 m_cols = 0;
    bool m_headerRefused = false;
    const char *m_refusal = "";
    QString m_command;
    QVector<double> m_values;
};
