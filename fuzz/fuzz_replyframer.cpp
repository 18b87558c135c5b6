// Feeds the same reply bytes to the framer whole and under arbitrary splits: the outcome must not
// depend on how the connection happened to cut the stream.
//
// Input: byte 0 picks the limit (odd: a small one of byte0 / 2 bytes, even: the default), byte 1
// the number of cuts (up to 15), then one byte per cut giving the length of the piece before it;
// the rest is the reply.

#include "FuzzCheck.h"

#include "core/net/ReplyFramer.h"
#include "core/net/WireProtocol.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <cstddef>
#include <cstdint>

using tavrin::ReplyFramer;

namespace {

// What any split must come to: the verdict on the whole reply in one piece.
struct Whole {
    ReplyFramer::Appended appended;
    ReplyFramer::Kind kind;
    QByteArray data;
    QByteArray message;
};

Whole inOnePiece(QByteArrayView reply, qsizetype limit)
{
    ReplyFramer framer(limit);
    Whole whole;
    whole.appended = framer.append(reply);
    whole.kind = framer.finish();
    whole.data = framer.data();
    whole.message = framer.errorMessage().toByteArray();
    return whole;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    if (size < 2)
        return 0;
    const QByteArrayView input(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(size));
    const qsizetype limit = (bytes[0] & 1) ? bytes[0] / 2 : ReplyFramer::defaultLimit;
    const int cuts = bytes[1] % 16;
    if (size < 2 + static_cast<std::size_t>(cuts))
        return 0;
    const QByteArrayView reply = input.sliced(2 + cuts);

    QList<QByteArrayView> pieces;
    qsizetype at = 0;
    for (int c = 0; c < cuts; ++c) {
        const qsizetype length = std::min<qsizetype>(bytes[2 + c], reply.size() - at);
        pieces.append(reply.sliced(at, length)); // empty pieces are allowed too
        at += length;
    }
    pieces.append(reply.sliced(at));

    const Whole whole = inOnePiece(reply, limit);
    const bool tooLarge = reply.size() > limit;
    FUZZ_CHECK(tooLarge == (whole.appended == ReplyFramer::Appended::TooLarge));
    if (!tooLarge) {
        // The error test reads the first bytes of the reply, whoever delivered them.
        const bool isError = reply.startsWith(tavrin::wire::errorPrefix);
        const auto expected = reply.isEmpty() ? ReplyFramer::Kind::Undecided
                              : isError       ? ReplyFramer::Kind::ErrorReply
                                              : ReplyFramer::Kind::Reply;
        FUZZ_CHECK(whole.kind == expected);
        FUZZ_CHECK(whole.data == reply);
        FUZZ_CHECK(whole.message ==
                   (isError ? reply.sliced(tavrin::wire::errorPrefix.size()) : QByteArrayView()));
    }

    ReplyFramer framer(limit);
    int decided = 0;
    qsizetype gathered = 0;
    bool rejected = false;
    for (const QByteArrayView piece : pieces) {
        const ReplyFramer::Kind before = framer.kind();
        const ReplyFramer::Appended appended = framer.append(piece);
        gathered += piece.size();
        if (appended == ReplyFramer::Appended::TooLarge) {
            // Rejected with the first piece that passes the limit, and nothing is kept.
            FUZZ_CHECK(gathered > limit && gathered - piece.size() <= limit);
            FUZZ_CHECK(framer.isEmpty() && framer.kind() == ReplyFramer::Kind::Undecided);
            rejected = true;
            break;
        }
        FUZZ_CHECK(gathered <= limit);
        FUZZ_CHECK(framer.data().size() == gathered);
        // Decided exactly when the kind goes from undecided to settled; a settled kind stays.
        const bool settledNow =
            before == ReplyFramer::Kind::Undecided && framer.kind() != ReplyFramer::Kind::Undecided;
        FUZZ_CHECK((appended == ReplyFramer::Appended::Decided) == settledNow);
        FUZZ_CHECK(before == ReplyFramer::Kind::Undecided || framer.kind() == before);
        if (appended == ReplyFramer::Appended::Decided)
            ++decided;
    }
    FUZZ_CHECK(rejected == tooLarge);
    if (rejected)
        return 0;

    FUZZ_CHECK(decided == (whole.appended == ReplyFramer::Appended::Decided ? 1 : 0));
    FUZZ_CHECK(framer.finish() == whole.kind);
    FUZZ_CHECK(framer.data() == whole.data);
    FUZZ_CHECK(framer.errorMessage() == QByteArrayView(whole.message));
    // Handing the reply over leaves a framer ready for the next one.
    FUZZ_CHECK(framer.take() == whole.data);
    FUZZ_CHECK(framer.isEmpty() && framer.kind() == ReplyFramer::Kind::Undecided);
    return 0;
}
