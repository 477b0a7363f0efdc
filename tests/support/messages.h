// The functions' message texts, exactly as each passes them to the host's error
// or warning call: the one copy that the behaviour tests and fuzzers compare with.
#ifndef MESSAGES_H
#define MESSAGES_H

namespace nubrikText {
inline constexpr char mismatch[] = "Mismatched number of input/output arguments\n";
inline constexpr char create[] = "Unable to create output array\n";
inline constexpr char tooMany[] = "Input array has 2^31 or more elements\n";
inline constexpr char tooDeep[] = "Cells and structs nested more than 1000 levels deep\n";
} // namespace nubrikText

namespace quenrelText {
inline constexpr char warning[] = "Too many arguments to function quenrel. Argument(s) ignored.";
inline constexpr char wrongCount[] = "Wrong number of input variables";
inline constexpr char create[] = "Unable to create output array";

// The texts that name one argument, in the order the intake checks them.
struct ArgumentTexts {
    const char *tooLarge;
    const char *datatype;
    const char *real;
    const char *match;
    const char *count;
};
inline constexpr ArgumentTexts argumentA = {
    "Expected fewer than 2^31 elements in input argument \"A\" (1)",
    "Datatype double expected as input argument \"A\" (1)",
    "Expected REAL number as input argument \"A\" (1)",
    "Can not match size of dimensions for A to iterator",
    "Expected 1 elements as iterator window dims as input argument \"A\" (1)"};
inline constexpr ArgumentTexts argumentB = {
    "Expected fewer than 2^31 elements in input argument \"B\" (2)",
    "Datatype double expected as input argument \"B\" (2)",
    "Expected REAL number as input argument \"B\" (2)",
    "Can not match size of dimensions for B to iterator",
    "Expected 1 elements as iterator window dims as input argument \"B\" (2)"};
} // namespace quenrelText

#endif
