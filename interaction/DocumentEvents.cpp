#include <memory>

#include "shell/form/Form1.h"

namespace kestrova {

namespace {

class DocumentEvents final : public platform::HTMLDocumentEvents {
public:
    explicit DocumentEvents(Form1& form) : form_(form) {}
    bool onclick() override { return form_.mDoc_onclick(); }
    void onmouseout() override { form_.mDoc_onmouseout(); }

private:
    Form1& form_;
};

}  // namespace

std::unique_ptr<platform::HTMLDocumentEvents> Form1::NewDocumentEvents() {
    return std::make_unique<DocumentEvents>(*this);
}

void Form1::BindDocument(std::shared_ptr<platform::HTMLDocument> document) {
    mDoc.Bind(std::move(document), NewDocumentEvents());
}

}  // namespace kestrova
