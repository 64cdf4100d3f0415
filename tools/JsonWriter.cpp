#include "tools/JsonWriter.h"
#include "platform/recordset/Overloaded.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace kestrova::tools {

namespace {

// The length of the UTF-8 sequence at the start of `text`, 0 if invalid.
std::size_t Utf8Length(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = lead < 0x80         ? 1
                         : (lead >> 5) == 6  ? 2
                         : (lead >> 4) == 14 ? 3
                         : (lead >> 3) == 30 ? 4
                                             : 0;
    if (length == 0 || length > text.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[i]) >> 6) != 2) {
            return 0;
        }
    }
    return length;
}

std::string Number(double value) {
    if (!std::isfinite(value)) {
        return "null";
    }
    char buffer[64];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

std::string TwoDigits(int value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02d", value);
    return buffer;
}

}  // namespace

std::string ValueJson(const platform::Variant& value) {
    using namespace platform;
    return std::visit(Overloaded{
                          [](const Empty&) -> std::string { return "null"; },
                          [](const Null&) -> std::string { return "null"; },
                          [](bool b) -> std::string { return b ? "true" : "false"; },
                          [](std::integral auto v) -> std::string { return std::to_string(v); },
                          [](float v) -> std::string { return Number(v); },
                          [](double v) -> std::string { return Number(v); },
                          [](const Currency& c) -> std::string { return JsonString(c.Digits()); },
                          [](const Decimal& d) -> std::string { return JsonString(d.text); },
                          [](const Date& d) -> std::string {
                              // Appended piece by piece: GCC 12 wrongly warns of
                              // overlapping copies in `" " + std::string` when optimising.
                              // Four digits of year, as ISO dates have them.
                              char year[16];
                              std::snprintf(year, sizeof year, "%04d", d.year);
                              std::string text = "\"";
                              text += year;
                              text += '-';
                              text += TwoDigits(d.month);
                              text += '-';
                              text += TwoDigits(d.day);
                              if (d.hasTime) {
                                  text += ' ';
                                  text += TwoDigits(d.hour);
                                  text += ':';
                                  text += TwoDigits(d.minute);
                                  text += ':';
                                  text += TwoDigits(d.second);
                                  if (d.ticks != 0) {
                                      char fraction[16];
                                      std::snprintf(fraction, sizeof fraction, ".%07d", d.ticks);
                                      text += fraction;
                                  }
                              }
                              text += '"';
                              return text;
                          },
                          [](const std::string& s) -> std::string { return JsonString(s); },
                          [](const Binary& b) -> std::string { return JsonString(b.bytes); },
                          [](const std::shared_ptr<Recordset>& child) -> std::string {
                              return child ? RecordsetJson(*child) : "null";
                          },
                      },
                      value);
}

std::string JsonString(std::string_view text) {
    std::string json = "\"";
    while (!text.empty()) {
        const char c = text[0];
        const std::size_t length = Utf8Length(text);
        if (length == 0) {
            json += "\\ufffd";
            text.remove_prefix(1);
            continue;
        }
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
            json += buffer;
        } else {
            json.append(text.substr(0, length));
        }
        text.remove_prefix(length);
    }
    return json + "\"";
}

std::string RecordsetJson(platform::Recordset& recordset) {
    const auto fields = recordset.Fields();
    const auto count = fields.Count();
    std::string json = "{\"fields\": [";
    for (std::int32_t i = 0; i < count; ++i) {
        const auto field = fields.Item(i);
        json += (i ? ", " : "") + std::string("{\"name\": ") + JsonString(field.Name()) +
                ", \"type\": " + std::to_string(field.Type()) + "}";
    }
    json += "], \"rows\": [";
    for (bool first = true; !recordset.EOF(); recordset.MoveNext(), first = false) {
        json += first ? "[" : ", [";
        for (std::int32_t i = 0; i < count; ++i) {
            json += (i ? ", " : "") + ValueJson(fields.Item(i).Value());
        }
        json += "]";
    }
    return json + "]}";
}

}  // namespace kestrova::tools
