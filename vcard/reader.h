// The vCard reader: cuts the bytes of a .vcf file into lines, recognises
// property lines and card boundaries, and fills a CardRecord from them (the
// mapping of properties onto record fields lives in mapping.cpp). The import
// run derives from CardReader and adds its run operations.
#pragma once

#include "outlook/outlook.h"
#include "vcard/card_record.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vcard {

constexpr int32_t kCardVersion21 = 21;
constexpr int32_t kCardVersion30 = 30;

// Results of CardReader::LoadFile besides 0 (HRESULT forms of system errors).
constexpr int32_t kLoadCannotOpen = static_cast<int32_t>(0x8007006Eu); // ERROR_OPEN_FAILED
constexpr int32_t kLoadTooLarge = static_cast<int32_t>(0x800700DFu);   // ERROR_FILE_TOO_LARGE
constexpr int32_t kLoadNoMemory = static_cast<int32_t>(0x8007000Eu);   // E_OUTOFMEMORY
constexpr int32_t kLoadShortRead = static_cast<int32_t>(0x80070026u);  // ERROR_HANDLE_EOF

// Decodes quoted-printable text into `out`, which must hold `count` bytes.
// Soft line breaks ("=" CR LF) vanish, other CR and LF bytes are dropped.
// Returns false when an "=" starts no valid escape; that "=" and everything
// after it are then copied unchanged, so nothing is lost. `*outLength` gets
// the number of bytes written (never more than `count`).
bool QuotedPrintableDecode(const char* in, size_t count, char* out, size_t* outLength);

class CardReader {
public:
    CardReader() = default;
    virtual ~CardReader() = default;
    CardReader(const CardReader&) = delete;
    CardReader& operator=(const CardReader&) = delete;

    // Outlook's major version; with 9 or below the IM address is not read.
    void SetOutlookVersion(LONG version) { outlookVersion_ = version; }
    LONG OutlookVersion() const { return outlookVersion_; }

    // --- File level ---------------------------------------------------------
    // Reads a whole file as the text to parse: 0, or a negative kLoad... code
    // with nothing loaded (a file of 4 GiB or more, a buffer that cannot be
    // had and a short read are refused like a file that cannot be opened).
    int32_t LoadFile(const std::string& path);
    // The same from bytes in memory. A UTF-8 byte-order mark is skipped and
    // marks the text as UTF-8; UTF-16 (with its mark, or recognised by its
    // zero bytes) is decoded to UTF-8 first.
    void LoadText(std::string_view bytes);
    // Is the loaded text UTF-8 (marked, or valid with a multi-byte sequence)?
    bool TextIsUtf8() const { return textIsUtf8_; }
    void FreeText();
    // Complete cards of a file; 0 when it cannot be read.
    int32_t CountCards(const std::string& path);
    // Complete cards of the loaded text, from its start.
    int32_t CountLoadedCards();

    // --- Line level (false at the end of the text) ----------------------------
    bool NextPhysicalLine();
    // The next line holding ':' or ';', unfolded: a following line that
    // begins with a space or tab continues it (without that character). A
    // quoted-printable property (ADR always) whose line ends in "=" goes on
    // with the next line as it stands, leading spaces included.
    bool NextPropertyLine();
    bool FindCardStart();
    bool NextParameter();

    // --- Value level --------------------------------------------------------
    void StoreValue(std::u16string& field, std::string_view text);
    // Stores the first ';'-separated component unless it is empty; returns
    // the text after the delimiter (empty at the end).
    std::string_view StoreComponent(std::u16string& field, std::string_view text,
                                    char delimiter = ';');
    std::string ReadQuotedPrintableValue();
    void ParseDate(double& field);
    // The value of the current property: the text after its parameter list,
    // decoded from quoted-printable when it declares so (ADR always).
    const std::string& Value();

    // --- Mapping (mapping.cpp) ----------------------------------------------
    // Applies the current property line to the record. A VERSION line sets
    // the card version.
    void ApplyProperty();
    void ParseName();
    void ParseOrganization();
    void ParseAddress();
    void ParseTelephone();
    void ParseEmail();
    void ParseNote();
    void ParseUrl();
    void SetIfEmpty(std::u16string& field);
    // Adds a contact to the current items and puts every present field into
    // it; false when the add failed. The contact is not saved.
    bool CreateContact();

    // --- Card frame ---------------------------------------------------------
    // Is the current line END:VCARD?
    bool IsCardEnd() const;
    // Sets the card version from the current VERSION line.
    void ApplyVersion();

    // Reads every complete card of the bytes into records, as the import's
    // card loop does, without Outlook.
    static std::vector<CardRecord> ReadRecords(std::string_view bytes, LONG outlookVersion = 11);
    // The same, handing each record to `take` in turn; returns the count.
    static size_t ForEachRecord(std::string_view bytes, LONG outlookVersion,
                                const std::function<void(const CardRecord&)>& take);

    // --- State --------------------------------------------------------------
    const std::string& CurrentLine() const { return line_; }
    size_t LineCursor() const { return lineCursor_; }
    const std::string& PropertyName() const { return name_; }
    const std::string& ParameterToken() const { return token_; }
    int32_t CardVersion() const { return cardVersion_; }
    void SetCardVersion(int32_t version) { cardVersion_ = version; }
    CardRecord& Record() { return record_; }
    const CardRecord& Record() const { return record_; }
    void SetItems(outlook::Items items) { items_ = std::move(items); }
    const outlook::Items& CurrentItems() const { return items_; }
    const outlook::ContactItem& NewContact() const { return newContact_; }

protected:
    // Takes the next physical line; `keepLeadingSpaces` for lines gathered
    // into a quoted-printable value.
    bool TakePhysicalLine(bool keepLeadingSpaces);
    // The next physical line as it stands, without copying it.
    bool RawLine(std::string_view* out);
    // Reads the parameters of the current property line: type words (split
    // at commas) into params_, the character set and the encoding. True when
    // the list ends in ':' (the line cursor is then on it).
    bool ReadParameters();
    bool HasParameter(std::string_view word) const;
    // Does the text of a property line (name and parameters) declare
    // quoted-printable, or is it an ADR?
    static bool IsQuotedPrintableLine(std::string_view line);
    // Bytes of a value to wide text by its character set: the declared one
    // where the platform knows it, else UTF-8 in a UTF-8 text, else ANSI.
    std::u16string DecodeText(std::string_view bytes) const;

    std::string text_; // the file text; a zero byte ends it
    size_t cursor_ = 0;
    std::string line_;
    size_t lineCursor_ = 0;
    std::string name_;
    std::string token_;
    std::vector<std::string> params_;
    std::string charset_;          // CHARSET of the current property, upper-cased
    bool quotedPrintable_ = false; // the current property declares it
    bool parametersRead_ = false;  // params_ etc. belong to the current line
    bool parametersEndInColon_ = false;
    size_t valueStart_ = 0; // after the ':' that ends the parameters
    bool valueReady_ = false;
    std::string value_;
    bool textIsUtf8_ = false;
    int32_t cardVersion_ = kCardVersion21;
    CardRecord record_;

    LONG outlookVersion_ = 9;
    outlook::Items items_;
    outlook::ContactItem newContact_;
};

} // namespace vcard
