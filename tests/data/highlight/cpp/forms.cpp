// One form per line; the golden dump is the expectation.
0x1FUL 1.5e3 1e-5 1..2 3...x 1.2.3f 7. 10g .5 017L 0XffU
&& &= & || |= | ++ += + -- -= -> - >>= >> >= > <<= << <= < == = != ! %= % *= * ^= ^ :: : ... . /= / ? , ; ( ) [ ] { } ~
a>>>=b --> ..::: x<<
"a\"b" x "ab\\" x '\'' '\\' '\n' "it's /* # //" '"' L"wide"
x = "abc\"
"
"\
a /* one

two */ b
/**/c */x
// to the end /* */ x
  #include <a/b.h>
#define A \ 
#x /*/ y
#if /* a */ B /* c */
#define LONG \
// a comment ends the directive
#define LONG2 \
/* a */ B
#define LONG3 \
/*/ x
#define LONG4 /* x
*//*y*//**/
__asm

  push ebp /* save
  */ {
pop ebp; int "s" // x
}
asm { asm } x
}
; y
@$\`
