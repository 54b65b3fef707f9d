// The interface texts of one language, read from a plain-text language file.
//
// Each line may carry one entry: it counts when it holds one of the keys
// starting at a character position from 1 to 999 (a key in the very first
// column is not recognised). The text is what follows the first 30
// characters, leading "#" skipped, up to the next "#" (or the end of the
// line, a trailing CR included). Entries are used by position, in the order
// of the key table; which key matched is not looked at.
#pragma once

#include <QString>
#include <QStringList>

class QIODevice;

class LanguageFile
{
public:
    // The texts of the plots dock follow the 71 older entries; files
    // without them leave the dock in English.
    static constexpr int kFirstPlotsEntry = 71;
    static constexpr int kPlotsEntries = 11;
    // Then the texts of uitext::Text (refusals, the RAPID dock, "Movement");
    // files without them keep those in English.
    static constexpr int kFirstUiEntry = kFirstPlotsEntry + kPlotsEntries;
    static constexpr int kUiEntries = 44;
    // Entries a complete file holds, one per key.
    static constexpr int kEntries = kFirstUiEntry + kUiEntries;
    // Panel texts are entries 0-26, menu texts 27-63, objects panel 65-70.
    static constexpr int kFirstMenuEntry = 27;
    static constexpr int kMenuEntries = 37;
    static constexpr int kFirstObjectEntry = 65;
    // Characters before the text of an entry.
    static constexpr int kTextColumn = 30;
    // Bytes of a line that are looked at; the rest of a longer line is
    // skipped, so a broken file cannot make the reader hold huge texts.
    static constexpr int kMaxLineBytes = 64 * 1024;
    // A language file is a few kilobytes; reading stops after this many
    // bytes, so that a wrong file (or a device) cannot keep the reader busy.
    static constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;

    // Key of entry `index`, or an empty string outside 0 .. kEntries - 1.
    static QString key(int index);
    // File name (without directory) for a language code: 1 English,
    // 2 French, 3 Spanish, 4 Catalan, 5 German, -1 English; empty otherwise.
    static QString fileName(int code);

    // Reads the file; false (and no entries) when it cannot be opened.
    bool load(const QString &path);
    void clear();

    // Entries found in the file. It may exceed kEntries (a line that holds
    // several keys adds one entry per key); only the first kEntries are kept.
    int count() const { return m_found; }
    bool isComplete() const { return m_found >= kEntries; }
    // Whether entry `index` was in the file. Entries from count() on are
    // missing: callers keep their current text for them.
    bool has(int index) const { return index >= 0 && index < m_texts.size(); }
    // Text of entry `index`, empty when missing.
    QString text(int index) const { return has(index) ? m_texts.at(index) : QString(); }
    // The entries first .. first + n - 1 that are present, in order (shorter
    // than n when the file stops early).
    QStringList texts(int first, int n) const;

private:
    void read(QIODevice &device);
    void addLine(const QString &line);

    QStringList m_texts;
    int m_found = 0;
};
