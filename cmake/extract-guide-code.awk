# Writes the C++ blocks of a Markdown guide, in order, as one source file:
# each block starts with a #line naming its place in the guide, so a compiler
# error points at the guide's own line.
#     awk -v out=FILE -f extract-guide-code.awk GUIDE.md
/^```cpp[ \t]*$/ { inside = 1; printf "#line %d \"%s\"\n", NR + 1, FILENAME > out; next }
/^```[ \t]*$/ && inside { inside = 0; next }
inside { print > out }
END { if (!NR) exit 1 }
