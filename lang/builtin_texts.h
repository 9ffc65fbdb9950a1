#pragma once
// The built-in English text of every text identifier, the fallback of every language.

#include "lang/text_ids.h"

#include <string>

namespace LANGUAGE {

// The built-in text of 1001 .. LastTextId, the empty string for any other identifier. The first
// call fills the store once, whatever identifier it asks for.
std::u16string GetBuiltInText(int id);

// Whether a call of GetBuiltInText has filled the store yet.
bool IsBuiltInStoreFilled();

// Creates the (still unfilled) store. Objects created after this call are destroyed before the
// store, so they may ask for built-in texts until they are gone.
void CreateBuiltInStore();

} // namespace LANGUAGE
