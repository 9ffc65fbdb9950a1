#include "about_text.h"

#include "base/format.h"
#include "lang/lang_strings.h"
#include "lang/text_ids.h"
#include "shell/version_application.h"

namespace qmr {

std::u16string BuildAboutText() {
    using namespace LANGUAGE;
    VERAPP::PVersionApplication version(new VERAPP::TVersionApplication);
    std::u16string text;
    if (version->GetVersionPart(2) == 0) {
        text = Format(u"%i.%i %s", {version->GetVersionPart(0), version->GetVersionPart(1),
                                    GetLangText(TextVersionFinal)});
    } else {
        text = Format(u"%i.%i %s %i %s %i",
                      {version->GetVersionPart(0), version->GetVersionPart(1),
                       GetLangText(TextVersionRc), version->GetVersionPart(2),
                       GetLangText(TextVersionBuild), version->GetVersionPart(3)});
    }
    return Format(u"%s: %s", {GetLangText(TextVersion), text});
}

} // namespace qmr
