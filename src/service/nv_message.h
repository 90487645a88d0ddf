#pragma once
// The user's explanation of a data-service result: the Japanese text for the operation
// and the result, then the result in brackets, e.g. "...がありません。(-1)".

#include <string>

namespace tidemark {

// The operations whose results are explained to the user. NVGets results are explained
// as NVRead's: the two calls answer alike.
enum class NvOperation {
    NVSetUIProperties,
    NVOpen,
    NVRTOpen,
    NVStatus,
    NVRead,
    NVClose,
};

// CP932. Never fails: a result without an explanation gives only "(" result ")".
std::string nvMessage(NvOperation op, int result);

// The results the in-process COM adapter adds to the component's (-1001 … -1099); they
// reach the window also through the bridge, which runs that adapter. The bridge's own
// results lie at -1101 … -1199.
inline constexpr bool isComAdapterResult(int r) { return r <= -1001 && r >= -1099; }

} // namespace tidemark
