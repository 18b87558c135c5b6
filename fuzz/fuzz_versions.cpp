// Reads arbitrary bytes as the fetched versions document, as the update check does, and checks
// that the outcome is one the window can show.

#include "FuzzCheck.h"

#include "core/update/VersionReport.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace {

// Every line break of a report is a CR LF; a lone LF would show as a stray character.
bool onlyCrLf(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('\n') && (i == 0 || text.at(i - 1) != QLatin1Char('\r')))
            return false;
    }
    return true;
}

void check(const QByteArray& body, const QString& running)
{
    const tavrin::UpdateOutcome outcome = tavrin::evaluateVersions(body, running);
    switch (outcome.kind) {
    case tavrin::UpdateOutcome::Kind::Latest:
        FUZZ_CHECK(outcome.text.isEmpty());
        break;
    case tavrin::UpdateOutcome::Kind::Report:
        FUZZ_CHECK(outcome.text.startsWith(QStringLiteral("You are currently running v") + running +
                                           QStringLiteral("\r\r\nThe latest version is v")));
        FUZZ_CHECK(onlyCrLf(outcome.text));
        break;
    case tavrin::UpdateOutcome::Kind::Failure:
        // A failure is always told in words.
        FUZZ_CHECK(!outcome.text.isEmpty());
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    const QByteArray body =
        QByteArray::fromRawData(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(size));
    check(body, QStringLiteral("1.1.8"));
    return 0;
}
