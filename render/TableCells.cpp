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
            AppendLine(
                {cells.h3, HtmlText(rs->Fields().Item(i).Name()), outline::kHeadingNameTail});
        });
        AppendLine({cells.h4});
        AppendLine({cells.h5});
    }
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
            Attempt("rendering a value: its text", [&] {
                AppendLine({cells.v3, HtmlText(platform::ValueText(FormatValue(*mobjField)))});
            });
        }
        AppendLine({cells.v4});
        AppendLine({cells.v5});
    }
}

}  // namespace kestrova
