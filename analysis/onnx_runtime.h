// ONNX Runtime's C interface, included the one way this program uses it.
#pragma once

// The header spells its Windows calling convention `_stdcall`, which g++
// rejects inside function-pointer declarators. x86-64 has a single calling
// convention, so spelling it as nothing changes no call; elsewhere the name
// is unused.
#undef _stdcall
#define _stdcall
// Outside MSVC the header defines its annotations as nothing, all but this one.
#ifndef _Return_type_success_
#define _Return_type_success_(expression)
#endif
#include <onnxruntime_c_api.h>

// The function table asked of the runtime. The table only grows between
// releases, so a newer runtime serves the prefix our header declares.
inline constexpr uint32_t kOrtApiVersion = 30;
