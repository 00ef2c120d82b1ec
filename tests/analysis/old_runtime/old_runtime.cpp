// A stand-in for a runtime too old for this program: it exports the entry
// point but offers no function table for the version asked.
#include "analysis/onnx_runtime.h"

namespace {

const OrtApi* ORT_API_CALL noTable(uint32_t) NO_EXCEPTION
{
    return nullptr;
}

const char* ORT_API_CALL versionString() NO_EXCEPTION
{
    return "1.0.0";
}

const OrtApiBase base{noTable, versionString};

} // namespace

const OrtApiBase* ORT_API_CALL OrtGetApiBase(void) NO_EXCEPTION
{
    return &base;
}
