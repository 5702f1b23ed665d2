#include "text/QuillEditFiler.h"
#include "text/QuillEditTextBufferParts.h"

#include <utility>

namespace quillan {

using linestore::Bracketed;

void TQuillEditStringList::LoadFromFile(const std::string& fileName)
{
    TQuillEditFileReader reader(fileName);
    Bracketed(*this, [&] {
        Clear();
        constexpr std::size_t batchSize = 256;
        QuillStringRep batch[batchSize];
        while (std::size_t n = reader.ReadLines(batch, batchSize)) {
            if (!OnLineAdded) {
                AppendReps(batch, n);
                continue;
            }
            std::size_t i = 0;
            try {
                for (; i < n; ++i) {
                    int index = FCount;
                    QuillStringRep line = std::exchange(batch[i], QuillStringRep { nullptr, 0, 0 });
                    InsertRec(index, line); // owns the reference now, also when it throws
                    FireLine(OnLineAdded, index);
                }
            } catch (...) {
                for (; i < n; ++i)
                    QuillStringBlock::Release(batch[i].Block);
                throw;
            }
        }
        FLineBreakStyle = reader.LineBreakStyle();
    });
}

void TQuillEditStringList::SaveToFile(const std::string& fileName, bool syncToDisk)
{
    TQuillEditFileWriter writer(fileName, syncToDisk);
    writer.SetLineBreakStyle(FLineBreakStyle);
    for (int i = 0; i < FCount; ++i) {
        const QuillStringRep& text = Rec(i).LineText;
        writer.WriteLine({ text.Data(), text.Size() });
    }
    writer.Commit();
}

} // namespace quillan
