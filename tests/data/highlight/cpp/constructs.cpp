// Every construct that reaches from one line into the next, plus the single-line forms.
#include <stdio.h>
#define MAX(a, b) \
    ((a) > (b) ? (a) : (b)) \
    /* trailing */
#define TWICE(x) /* opens here
   and closes */ ((x) * 2)
#if defined(A) // why
#endif

/*
 * Block comment over several lines, with a "string" and // inside.
 */
namespace demo {

class __declspec(dllexport) TThing : public TBase {
__published:
    __property int Count = { read = FCount };
    void __fastcall Click(TObject* Sender);
    int FCount;
};

static const char* kText = "say \"hi\"\\";
static const char kQuote = '\'';
static const wchar_t* kOpen = L"open \
static long n = 0x1FUL + 1.5e3 - 017 + 1..2;

int Sum(int a, int b)
{
    if (a >= b && !(a <<= 2)) return a->b ... ::c;
    a ^= b %= 3; a |= b || a; a &= ~b; --a; b++; a != b;
    asm mov eax, 1;
    __asm {
        push ebp   /* keep
        it */ mov ebp, esp ; not the end
        pop ebp
    }
    _asm
      nop
    ;
    return @a + $b + `c;
}

} // namespace demo
/*/ opens a comment; */ x
Int IF NULL reinterpret_cast __int64 __int46
