#pragma once

// SimpleIni as a system header, so our warning flags do not apply to its code.
// Only its char interface is used: the text is UTF-8 by the time it reaches
// it, so no wide-character converter (and no ConvertUTF or ICU) is needed.
// Include from inifile.cpp only: Debian's header compiles its template
// definitions where SI_IMPLEMENTATION is defined.
#pragma GCC system_header

#ifndef SI_NO_CONVERSION
#define SI_NO_CONVERSION
#endif
#ifndef SI_IMPLEMENTATION
#define SI_IMPLEMENTATION
#endif
#include <SimpleIni.h>
