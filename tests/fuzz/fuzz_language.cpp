// Language files: whatever is read, the entries are bounded and no text
// carries a field separator or a line break.
#include "fuzzsupport.h"

#include "texts/languagefile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString path = fuzz::writeScratch(QStringLiteral("language.txt"), data, size);
    LanguageFile file;
    FUZZ_CHECK(file.load(path));
    FUZZ_CHECK(file.count() >= 0);
    int present = 0;
    for (int i = 0; i < LanguageFile::kEntries; ++i) {
        if (!file.has(i)) {
            FUZZ_CHECK(file.text(i).isEmpty());
            continue;
        }
        ++present;
        const QString t = file.text(i);
        FUZZ_CHECK(!t.contains(QLatin1Char('#')) && !t.contains(QLatin1Char('\n')));
        FUZZ_CHECK(t.size() <= LanguageFile::kMaxLineBytes);
    }
    FUZZ_CHECK(present == std::min(file.count(), int(LanguageFile::kEntries)));
    FUZZ_CHECK(!file.has(LanguageFile::kEntries));
    FUZZ_CHECK(file.texts(0, LanguageFile::kEntries).size() == present);
    return 0;
}
