#pragma once

// The interface language chosen at start: the stored "LastUseLanguage" when
// the platform lists it (nothing stored), else the system language when
// listed, else "en_US" (stored in both cases); a first start, with nothing
// stored, takes the system language. Codes compare case-sensitively.

#include <QString>

class CAppVariableInfo;
class IProductLanguage;

// Loads the language folder, chooses, stores when needed and applies; returns
// the code applied (empty without a provider).
QString ApplyStartLanguage(IProductLanguage* provider, CAppVariableInfo* settings, const QString& languageFolder);
