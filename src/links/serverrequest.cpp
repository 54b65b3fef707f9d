#include "serverrequest.h"

#include <QDataStream>
#include <QtEndian>
#include <cstring>

namespace {
constexpr quint32 kNullString = 0xFFFFFFFFu;
}

qint64 ServerRequest::feed(const char *data, qint64 size)
{
    switch (m_stage) {
    case Stage::Header:
        return feedHeader(data, size);
    case Stage::Command:
        return feedCommand(data, size);
    case Stage::Array:
        return feedArray(data, size);
    case Stage::Complete:
    case Stage::Refused:
        break;
    }
    return 0;
}

QVector<double> ServerRequest::takeValues()
{
    QVector<double> v;
    v.swap(m_values);
    return v;
}

void ServerRequest::refuse(const char *why)
{
    m_stage = Stage::Refused;
    m_refusal = why;
    m_pending.clear();
    m_values.clear();
    m_values.squeeze();
}

qint64 ServerRequest::feedHeader(const char *data, qint64 size)
{
    const qint64 take = qMin<qint64>(size, kHeaderBytes - m_pending.size());
    m_pending.append(data, int(take));
    if (m_pending.size() < kHeaderBytes)
        return take;
    const auto *header = reinterpret_cast<const uchar *>(m_pending.constData());
    m_rows = qFromBigEndian<qint32>(header);
    m_cols = qFromBigEndian<qint32>(header + 4);
    m_pending.clear();
    if (m_rows < 0 || m_cols < 0 || expectedValues() > kMaxArrayValues) {
        m_headerRefused = true;
        refuse("the header announces an impossible array");
    } else if (isCommand()) {
        m_stage = Stage::Command;
    } else if (m_rows == 0 || m_cols == 0) {
        refuse("an empty array is ignored");
    } else {
        m_stage = Stage::Array;
        // Grows with what actually arrives, never ahead of it by much.
        m_values.reserve(int(qMin<qint64>(expectedValues(), 4096)));
    }
    return take;
}

qint64 ServerRequest::feedCommand(const char *data, qint64 size)
{
    qint64 used = 0;
    if (m_pending.size() < 4) {
        used = qMin<qint64>(size, 4 - m_pending.size());
        m_pending.append(data, int(used));
        if (m_pending.size() < 4)
            return used;
    }
    const quint32 length = qFromBigEndian<quint32>(m_pending.constData());
    if (length == kNullString || length > kMaxCommandBytes || length % 2 != 0) {
        refuse("the command is not one of the known texts");
        return used;
    }
    const qint64 take = qMin<qint64>(size - used, 4 + qint64(length) - m_pending.size());
    m_pending.append(data + used, int(take));
    used += take;
    if (m_pending.size() < 4 + qint64(length))
        return used;
    QDataStream in(m_pending);
    in.setVersion(QDataStream::Qt_5_15);
    in >> m_command;
    if (in.status() != QDataStream::Ok) {
        m_command.clear();
        refuse("the command text could not be read");
        return used;
    }
    m_pending.clear();
    m_stage = Stage::Complete;
    return used;
}

qint64 ServerRequest::feedArray(const char *data, qint64 size)
{
    qint64 used = 0;
    while (used < size && m_values.size() < expectedValues()) {
        if (m_pending.isEmpty() && size - used >= 8) {
            const quint64 bits = qFromBigEndian<quint64>(data + used);
            double v;
            std::memcpy(&v, &bits, sizeof v);
            m_values.append(v);
            used += 8;
            continue;
        }
        const qint64 take = qMin<qint64>(size - used, 8 - m_pending.size());
        m_pending.append(data + used, int(take));
        used += take;
        if (m_pending.size() < 8)
            break;
        const quint64 bits = qFromBigEndian<quint64>(m_pending.constData());
        double v;
        std::memcpy(&v, &bits, sizeof v);
        m_values.append(v);
        m_pending.clear();
    }
    if (m_values.size() == expectedValues())
        m_stage = Stage::Complete;
    return used;
}
