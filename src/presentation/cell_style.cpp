#include "presentation/cell_style.h"

namespace tidemark::presentation {

std::string Rgb::hex() const
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out = "#";
    for (int shift = 20; shift >= 0; shift -= 4)
        out += digits[(value >> shift) & 0xF];
    return out;
}

} // namespace tidemark::presentation
