int value = 1;
char* s = "int";

// A known file for the rendered-page test: line 1 starts with a key
// word drawn bold, line 2 has the same letters in a string, not bold.
static int Twice(int x)
{
	return 2 * x;
}
