// Data-server requests, as the bytes a client sends: read whole and read in
// small pieces they give the same request, and a request that was read is
// exactly the bytes a client encodes for it with QDataStream.
#include "fuzzsupport.h"
#include "pieces.h"

#include "links/serverrequest.h"

#include <QDataStream>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const char *bytes = reinterpret_cast<const char *>(data);
    const qint64 n = qint64(size);

    // Whole, the way a quick client's bytes arrive; the reader stops after
    // the header and is fed again.
    ServerRequest whole;
    qint64 used = 0;
    for (;;) {
        const qint64 took = whole.feed(bytes + used, n - used);
        FUZZ_CHECK(took >= 0 && took <= n - used);
        used += took;
        if (took == 0)
            break;
    }
    // Piece by piece: what a read leaves stays in the socket and is offered
    // again with the next piece.
    ServerRequest cut;
    fuzz::Pieces pieces(data, size);
    qint64 offered = 0, taken = 0;
    while (offered < n) {
        offered = qMin<qint64>(n, offered + qint64(pieces.next()));
        while (const qint64 took = cut.feed(bytes + taken, offered - taken))
            taken += took;
    }
    FUZZ_CHECK(cut.stage() == whole.stage());
    FUZZ_CHECK(taken == used);
    FUZZ_CHECK(cut.command() == whole.command());
    FUZZ_CHECK(cut.values().size() == whole.values().size());
    FUZZ_CHECK(std::memcmp(cut.values().constData(), whole.values().constData(),
                           std::size_t(whole.values().size()) * sizeof(double)) == 0);

    switch (whole.stage()) {
    case ServerRequest::Stage::Header:
        FUZZ_CHECK(used == n && n < ServerRequest::kHeaderBytes);
        break;
    case ServerRequest::Stage::Command:
    case ServerRequest::Stage::Array:
        // Waiting for more: everything offered was taken.
        FUZZ_CHECK(used == n);
        break;
    case ServerRequest::Stage::Refused:
        FUZZ_CHECK(std::strlen(whole.refusal()) > 0);
        FUZZ_CHECK(whole.values().isEmpty());
        break;
    case ServerRequest::Stage::Complete: {
        QByteArray encoded;
        QDataStream out(&encoded, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_5_15);
        out << whole.rows() << whole.cols();
        if (whole.isCommand()) {
            out << whole.command();
        } else {
            FUZZ_CHECK(whole.values().size() == whole.expectedValues());
            for (double v : whole.values())
                out << v;
        }
        FUZZ_CHECK(encoded == QByteArray(bytes, int(used)));
        break;
    }
    }
    return 0;
}
