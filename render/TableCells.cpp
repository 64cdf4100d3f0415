#include "platform/format/ValueText.h"
#include "platform/recordset/TypeCodes.h"
#include "platform/runtime/Attempt.h"
#include "render/HtmlText.h"
#include "render/OutlineLines.h"
#include "render/RenderSteps.h"
#include "shell/form/Form1.h"

namespace kestrova {

using runtime::Attempt;

// A chapter field holds a child level and is never a column. A field whose
// type cannot be read counts as a column.
void Form1::AppendHeadingCells(platform::Recordset* rs, const outline::CellLines& cells) {
    const std::int32_t count = render::FieldCountOf(rs, "headings");
    for (std::int32_t i = 0; i < count; ++i) {
        bool chapter = false;
        Attempt("rendering a heading: reading the field's type",
                [&] { chapter = rs->Fields().Item(i).Type() == platform::adChapter; });
        if (chapter) {
            continue;
        }
        AppendLine({cells.h1});
        AppendLine({cells.h2});
        Attempt("rendering a heading: reading the field's name", [&] {
            std::string escaped;
            AppendLine({cells.h3, HtmlText(rs->Fields().Item(i).Name(), escaped),
                        outline::kHeadingNameTail});
        });
        AppendLine({cells.h4});
        AppendLine({cells.h5});
    }
}

// The value line of the field in mobjField: its display value as text.
// Text values are written from where they stand, without copies; most other
// texts are short enough to need no memory of their own.
void Form1::AppendValueLine(std::string_view indent) {
    std::string text;
    std::string escaped;
    const platform::Variant display = FormatValue(*mobjField);
    std::string_view shown;
    if (const auto* stored = std::get_if<std::string>(&display)) {
        shown = *stored;
    } else {
        text = platform::ValueText(display);
        shown = text;
    }
    AppendLine({indent, HtmlText(shown, escaped)});
}

void Form1::AppendValueCells(platform::Recordset* rs, const outline::CellLines& cells) {
    const std::int32_t count = render::FieldCountOf(rs, "values");
    for (std::int32_t i = 0; i < count; ++i) {
        const bool taken = Attempt("rendering a value: taking the field",
                                   [&] { mobjField = rs->Fields().Item(i); });
        bool chapter = false;
        if (taken) {
            Attempt("rendering a value: reading the field's type",
                    [&] { chapter = mobjField->Type() == platform::adChapter; });
        }
        if (chapter) {
            continue;
        }
        AppendLine({cells.v1});
        AppendLine({cells.v2});
        if (taken) {
            Attempt("rendering a value: its text", [&] { AppendValueLine(cells.v3); });
        }
        AppendLine({cells.v4});
        AppendLine({cells.v5});
    }
}

}  // namespace kestrova
