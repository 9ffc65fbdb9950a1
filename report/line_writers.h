#pragma once
// The two line writers behind the report builders: the display markup and the plain text. The
// reports carry the same blocks in the same order and differ in their line formats, in the
// empty lines between blocks and in whether device texts are escaped; a writer holds those
// differences so that report_lines.cpp writes each block once for both. Internal to report/.

#include "base/format.h"
#include "report/report_lines.h"

#include <cstdint>
#include <string>

namespace qmr::report_detail {

// Styling of the display report.
inline constexpr int kNameSize = 18;
inline constexpr std::uint32_t kNameColor = 0x000000;
inline constexpr int kStatusSize = 14;
inline constexpr unsigned kAddressSize = 12;
inline constexpr std::uint32_t kAddressColor = 0x0000C4;
inline constexpr const char16_t* kAddressFace = u"Verdana";
inline constexpr int kNoDeviceSize = 16;
inline constexpr std::uint32_t kNoDeviceColor = 0x800000;
inline constexpr int kProblemSize = 9;
inline constexpr std::uint32_t kProblemColor = 0x808080;

class TLineWriter {
public:
    explicit TLineWriter(TLineList& list) : m_List(list) {}
    virtual ~TLineWriter() = default;

    // A text that comes from the device rather than from the catalogue.
    virtual std::u16string DeviceText(const std::u16string& text) const = 0;
    // The empty line that separates blocks in the display report only.
    virtual void BlockBreak() = 0;
    virtual void Value(const std::u16string& label, const std::u16string& value) = 0;
    virtual void Numbered(const std::u16string& label, int number, const std::u16string& value) = 0;
    virtual void SpacedNumbered(const std::u16string& label, int number,
                                const std::u16string& value) = 0;
    virtual void Counter(const std::u16string& label, const std::u16string& count,
                         const std::u16string& word) = 0;
    virtual void Address(const std::u16string& label, const std::u16string& address) = 0;
    virtual void NumberedAddress(const std::u16string& label, int number,
                                 const std::u16string& address) = 0;

    // A label that heads the lines after it.
    virtual void Heading(const std::u16string& label) = 0;

    void EmptyLine() { m_List.emplace_back(); }
    // A line of device text alone.
    void DeviceLine(const std::u16string& text) { Add(DeviceText(text)); }

protected:
    void Add(std::u16string line) { m_List.push_back(std::move(line)); }

private:
    TLineList& m_List;
};

class TMarkupWriter final : public TLineWriter {
public:
    using TLineWriter::TLineWriter;

    std::u16string DeviceText(const std::u16string& text) const override {
        return EscapeMarkupText(text);
    }
    void BlockBreak() override { EmptyLine(); }
    void Value(const std::u16string& label, const std::u16string& value) override {
        Add(Format(u"<b>%s</b>:   %s", {label, value}));
    }
    void Numbered(const std::u16string& label, int number, const std::u16string& value) override {
        Add(Format(u"<b>%s%i</b>:   %s", {label, number, value}));
    }
    void SpacedNumbered(const std::u16string& label, int number,
                        const std::u16string& value) override {
        Add(Format(u"<b>%s %i</b>:   %s", {label, number, value}));
    }
    void Counter(const std::u16string& label, const std::u16string& count,
                 const std::u16string& word) override {
        Add(Format(u"<b>%s</b>:   %s %s", {label, count, word}));
    }
    void Address(const std::u16string& label, const std::u16string& address) override {
        Add(Format(u"<b>%s</b>:   <font size=\"%u\" color=\"#%06X\" face=\"%s\"><b>%s</b></font>",
                   {label, kAddressSize, kAddressColor, kAddressFace, address}));
    }
    void NumberedAddress(const std::u16string& label, int number,
                         const std::u16string& address) override {
        Add(Format(u"<b>%s%i</b>:   <font size=\"%u\" color=\"#%06X\" face=\"%s\"><b>%s</b></font>",
                   {label, number, kAddressSize, kAddressColor, kAddressFace, address}));
    }

    void Heading(const std::u16string& label) override { Add(Format(u"<b>%s</b>:", {label})); }

    void Font(int size, std::uint32_t color, const std::u16string& text) {
        Add(Format(u"<font size=\"%i\" color=\"#%06X\">%s</font>", {size, color, text}));
    }
    void Image(const std::u16string& name) { Add(Format(u"<img src=\"%s\">", {name})); }
};

class TTextWriter final : public TLineWriter {
public:
    using TLineWriter::TLineWriter;

    std::u16string DeviceText(const std::u16string& text) const override { return text; }
    void BlockBreak() override {}
    void Value(const std::u16string& label, const std::u16string& value) override {
        Add(Format(u"%s:   %s", {label, value}));
    }
    void Numbered(const std::u16string& label, int number, const std::u16string& value) override {
        Add(Format(u"%s%i:   %s", {label, number, value}));
    }
    void SpacedNumbered(const std::u16string& label, int number,
                        const std::u16string& value) override {
        Add(Format(u"%s %i:   %s", {label, number, value}));
    }
    void Counter(const std::u16string& label, const std::u16string& count,
                 const std::u16string& word) override {
        Add(Format(u"%s:   %s %s", {label, count, word}));
    }
    void Address(const std::u16string& label, const std::u16string& address) override {
        Value(label, address);
    }
    void NumberedAddress(const std::u16string& label, int number,
                         const std::u16string& address) override {
        Numbered(label, number, address);
    }

    void Heading(const std::u16string& label) override { Add(Format(u"%s:", {label})); }

    void Plain(const std::u16string& text) { Add(Format(u"%s", {text})); }
};

} // namespace qmr::report_detail
