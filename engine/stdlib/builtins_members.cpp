// Members of the built-in value types text, array, map and series. One entry serves every
// element type, so element values are written `any` (series values are num). Six members
// are plain values read from the owner rather than functions (len, length, last, previous).
#include "stdlib/builtins_members.h"
#include "stdlib/define.h"
#include "stdlib/registry.h"

namespace kelo_std::defs_builtins {

using namespace kelo_std::defs;

namespace {

void define_text_members(Builder& b) {
  add_members(b, "text", {
      {"len",        Int,                                             "Number of characters."},
      {"upper",      fn({}, Text),                                    "Uppercase copy."},
      {"lower",      fn({}, Text),                                    "Lowercase copy."},
      {"trim",       fn({}, Text),                                    "Copy without surrounding whitespace."},
      {"trimLeft",   fn({}, Text),                                    "Copy without leading whitespace."},
      {"trimRight",  fn({}, Text),                                    "Copy without trailing whitespace."},
      {"find",       fn({p("search", Text), opt("from", Int)}, Int),  "Index of a substring, or minus one."},
      {"contains",   fn({p("search", Text)}, Bool),                   "True when the substring is present."},
      {"startsWith", fn({p("prefix", Text)}, Bool),                   "True when the text begins with a prefix."},
      {"endsWith",   fn({p("suffix", Text)}, Bool),                   "True when the text ends with a suffix."},
      {"replace",    fn({p("search", Text), p("with", Text)}, Text),  "Replaces the first match."},
      {"replaceAll", fn({p("search", Text), p("with", Text)}, Text),  "Replaces every match."},
      {"split",      fn({p("separator", Text)}, array(Text)),         "Splits into parts."},
      {"slice",      fn({p("from", Int), opt("to", Int)}, Text),      "A section of the text."},
      {"charAt",     fn({p("index", Int)}, Text),                     "The character at an index."},
      {"code",       fn({p("index", Int)}, Int),                      "Character code at an index."},
      {"repeat",     fn({p("times", Int)}, Text),                     "The text repeated."},
      {"pad",        fn({p("length", Int), opt("fill", Text)}, Text), "Pads on the right."},
      {"padLeft",    fn({p("length", Int), opt("fill", Text)}, Text), "Pads on the left."},
      {"reverse",    fn({}, Text),                                    "The text backwards."},
  });
}

void define_array_members(Builder& b) {
  const Type items = array(Any);
  const Type maybe = optional(Any);
  const Type test = fn({p("item", Any)}, Bool);
  add_members(b, "array", {
      {"len",      Int,                                              "Number of elements."},
      {"push",     fn({p("value", Any)}, Int),                       "Appends an element."},
      {"pop",      fn({}, maybe),                                    "Removes and returns the last element."},
      {"shift",    fn({}, maybe),                                    "Removes and returns the first element."},
      {"unshift",  fn({p("value", Any)}, Int),                       "Inserts at the front."},
      {"insert",   fn({p("index", Int), p("value", Any)}, Int),      "Inserts at an index."},
      {"remove",   fn({p("index", Int), opt("count", Int)}, Int),    "Removes elements."},
      {"clear",    fn({}, Void),                                     "Removes every element."},
      {"resize",   fn({p("length", Int)}, Int),                      "Changes the length."},
      {"fill",     fn({p("value", Any)}, Void),                      "Sets every element."},
      {"copy",     fn({}, items),                                    "A shallow copy."},
      {"slice",    fn({p("from", Int), opt("to", Int)}, items),      "A section of the array."},
      {"reverse",  fn({}, items),                                    "Reversed copy."},
      {"sort",     fn({}, items),                                    "Sorted copy."},
      {"sortBy",   fn({p("key", fn({p("item", Any)}, Num))}, items), "Sorted copy using a key."},
      {"indexOf",  fn({p("value", Any)}, Int),                       "Index of a value, or minus one."},
      {"contains", fn({p("value", Any)}, Bool),                      "True when the value is present."},
      {"min",      fn({}, Num),                                      "Smallest value."},
      {"max",      fn({}, Num),                                      "Largest value."},
      {"minIndex", fn({}, Int),                                      "Index of the smallest value."},
      {"maxIndex", fn({}, Int),                                      "Index of the largest value."},
      {"sum",      fn({}, Num),                                      "Total of every value."},
      {"map",      fn({p("transform", fn({p("item", Any)}, Any))}, items), "A new array with each element transformed."},
      {"filter",   fn({p("keep", test)}, items),                     "Elements that pass a test."},
      {"reduce",   fn({p("combine", fn({p("total", Any), p("item", Any)}, Any)), p("initial", Any)}, Any),
                   "Folds the array into one value."},
      {"find",     fn({p("match", test)}, maybe),                    "The first element that passes a test."},
      {"any",      fn({p("match", test)}, Bool),                     "True when any element passes."},
      {"all",      fn({p("match", test)}, Bool),                     "True when every element passes."},
      {"join",     fn({p("separator", Text)}, Text),                 "Joins into text."},
  });
}

void define_map_members(Builder& b) {
  add_members(b, "map", {
      {"len",    Int,                                        "Number of entries."},
      {"get",    fn({p("key", Any)}, optional(Any)),         "Value for a key."},
      {"set",    fn({p("key", Any), p("value", Any)}, Void), "Stores a value."},
      {"has",    fn({p("key", Any)}, Bool),                  "True when the key exists."},
      {"delete", fn({p("key", Any)}, Bool),                  "Removes a key."},
      {"clear",  fn({}, Void),                               "Removes every entry."},
      {"keys",   fn({}, array(Any)),                         "Every key."},
      {"values", fn({}, array(Any)),                         "Every value."},
  });
}

void define_series_members(Builder& b) {
  const Type rolling = series(Num);
  add_members(b, "series", {
      {"length",   Int,                                  "Number of bars available."},
      {"last",     Num,                                  "The current bar's value, the same as [0]."},
      {"previous", Num,                                  "The previous bar's value, the same as [1]."},
      {"toArray",  fn({p("count", Int)}, array(Num)),    "The most recent values as an array, newest first."},
      {"highest",  fn({p("length", Int)}, rolling),      "Rolling maximum."},
      {"lowest",   fn({p("length", Int)}, rolling),      "Rolling minimum."},
      {"avg",      fn({p("length", Int)}, rolling),      "Rolling mean."},
      {"sum",      fn({p("length", Int)}, rolling),      "Rolling sum."},
      {"offset",   fn({p("bars", Int)}, rolling),        "Shifted copy."},
      {"changed",  fn({}, series(Bool)),                 "True when the value differs from the previous bar."},
  });
}

}  // namespace

void define_members(Registry& registry) {
  Builder b{kAllKinds, "Collections", registry, kNoPermission, 1};
  define_text_members(b);
  define_array_members(b);
  define_map_members(b);
  define_series_members(b);
}

}  // namespace kelo_std::defs_builtins
