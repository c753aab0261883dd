#pragma once
// The language of the texts the user reads. The program's own texts are Traditional
// Chinese; English is the one translation.

#include <functional>

namespace kivora {

enum class Language { Chinese, English };

// Looks up an environment variable: its value, or null when it is not set.
using EnvironmentLookup = std::function<const char*(const char* name)>;

// The language by the usual locale rules. The locale of messages is the first of LC_ALL,
// LC_MESSAGES and LANG that is set and not empty; none, C and POSIX (C.UTF-8 too) keep
// the program's own texts, so scripts read what they always read. Otherwise the
// preference list LANGUAGE ("de:en:zh") decides by its first English or Chinese entry;
// without one, an English locale (en, en_US.UTF-8, ...) chooses English and every other
// locale Chinese.
Language ChooseLanguage(const EnvironmentLookup& lookup);

// ChooseLanguage on this process's environment.
Language LanguageOfProcess();

}  // namespace kivora
