#include "editor/QuillString.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <ostream>

namespace quillan {

QuillStringBlock* QuillStringBlock::Allocate(std::size_t capacity)
{
    if (capacity > SIZE_MAX - sizeof(QuillStringBlock))
        throw std::bad_alloc();
    auto* block = static_cast<QuillStringBlock*>(std::malloc(sizeof(QuillStringBlock) + capacity));
    if (!block)
        throw std::bad_alloc();
    block->RefCount = 1;
    block->Capacity = capacity;
    return block;
}

QuillStringBlock* QuillStringBlock::Reallocate(QuillStringBlock* block, std::size_t capacity)
{
    if (capacity > SIZE_MAX - sizeof(QuillStringBlock))
        throw std::bad_alloc();
    // Large blocks are remapped rather than copied, which keeps a very long line cheap to read.
    auto* grown = static_cast<QuillStringBlock*>(std::realloc(block, sizeof(QuillStringBlock) + capacity));
    if (!grown)
        throw std::bad_alloc();
    grown->Capacity = capacity;
    return grown;
}

void QuillStringBlock::Free(QuillStringBlock* block) noexcept
{
    std::free(block);
}

QuillStringRep QuillString::CopyRep(std::string_view text)
{
    if (text.empty())
        return { nullptr, 0, 0 };
    QuillStringBlock* block = QuillStringBlock::Allocate(text.size());
    std::memcpy(block->Bytes(), text.data(), text.size());
    std::uint32_t length
        = text.size() < QuillStringRep::BigLength ? static_cast<std::uint32_t>(text.size()) : QuillStringRep::BigLength;
    return { block, 0, length };
}

QuillString::QuillString(std::string_view text)
    : FRep(CopyRep(text))
{
}

QuillString QuillString::Sub(std::size_t pos, std::size_t count) const
{
    std::size_t n = size();
    if (pos >= n)
        return QuillString();
    if (count > n - pos)
        count = n - pos;
    if (pos == 0 && count == n)
        return *this;
    return Carve(FRep.Block, FRep.Offset + pos, count);
}

std::ostream& operator<<(std::ostream& os, const QuillString& s)
{
    return os << s.view();
}

} // namespace quillan
