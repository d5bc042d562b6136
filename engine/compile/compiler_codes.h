// The compiler's diagnostics: one row per message, X(name, code, pattern). A code may
// carry more than one message; the severity is the reporter's (a named argument given
// twice is an error in a host call and a warning in a call of the script's own function).
#pragma once

#include "core/diag.h"

// clang-format off
#define KELO_COMPILER_DIAGNOSTICS(X)                                                                         \
  X(kStopped, "KELO3000", "The compiler stopped: {}")                                                        \
  X(kSourceTooLarge, "KELO3000",                                                                             \
    "The compiler stopped: the source is larger than the limit of 4 MiB ({} bytes)")                         \
  X(kNotAssignable, "KELO3001", "{}: expected {} but found {}") /* context, expected, found */               \
  X(kSeriesIndex, "KELO3002", "A series is indexed by a whole number of bars back")                          \
  X(kGroupOfCalls, "KELO3003", "'{}' is a group of calls. Use one of its members, such as {}.something")     \
  X(kNotDefined, "KELO3004", "'{}' is not defined")                                                          \
  X(kNotNumeric, "KELO3005", "Arithmetic needs numbers, found {}")                                           \
  X(kLetReassigned, "KELO3006", "'{}' was declared with let and cannot be reassigned. Use var.")             \
  X(kCapturedReassigned, "KELO3007", "A captured value cannot be reassigned inside a closure")               \
  X(kNotAssignTarget, "KELO3008", "That is not something you can assign to")                                 \
  X(kNoMember, "KELO3009", "'{}' has no member '{}'.{}") /* namespace, member, suggestion */                 \
  X(kNoCall, "KELO3009", "'{}' has no call named '{}'.{}")                                                   \
  X(kNoCase, "KELO3010", "'{}' has no case '{}'. Cases: {}")                                                 \
  X(kNoField, "KELO3011", "{} has no field '{}'. Fields: {}")                                                \
  X(kNamedToValue, "KELO3012", "'{}:' names a parameter, and this call does not take named arguments")      \
  X(kNotAvailable, "KELO3013", "'{}' is not available in this program")                                      \
  X(kGivenTwice, "KELO3014", "'{}' was given twice")                                                         \
  X(kNoParameter, "KELO3015", "No parameter '{}'. Parameters: {}")                                           \
  X(kHostNoParameter, "KELO3015", "'{}' has no parameter '{}'. Parameters: {}")                              \
  X(kSuppliedByName, "KELO3016", "This value was already supplied by name")                                  \
  X(kTooManyArguments, "KELO3017", "This function takes {} argument(s) and got more")                        \
  X(kHostTooManyArguments, "KELO3017", "'{}' takes {} argument(s) and got more")                             \
  X(kMissingArgument, "KELO3018", "Missing argument '{}'")                                                   \
  X(kHostMissingArgument, "KELO3018", "'{}' needs '{}'")                                                     \
  X(kFieldNeedsValue, "KELO3019", "{} needs a value for '{}'")                                               \
  X(kStructNoField, "KELO3020", "{} has no field '{}'. Fields: {}")                                          \
  X(kBreakOutsideLoop, "KELO3021", "break is only valid inside a loop")                                      \
  X(kContinueOutsideLoop, "KELO3022", "continue is only valid inside a loop")                                \
  X(kNotCondition, "KELO3023", "A condition has to be true or false, found {}")                              \
  X(kDeclaredInBlock, "KELO3024", "'{}' is already declared in this block")                                  \
  X(kNotCallable, "KELO3025", "A value of type {} is not a function and cannot be called")                   \
  X(kNoHeader, "KELO3030", "A file starts with bot, indicator, library or script, then its name")            \
  X(kUnknownSetting, "KELO3031", "'{}' is not a known program setting and will be ignored")                  \
  X(kUnknownPermission, "KELO3032", "'{}' is not a known permission")                                        \
  X(kNotInputType, "KELO3033", "'{}' is not an input type. Use one of: {}")                                  \
  X(kUnknownInputSetting, "KELO3034", "'{}' is not a known input setting and will be ignored")               \
  X(kMinAboveMax, "KELO3035", "min ({}) is above max ({})")                                                  \
  X(kDefaultOutside, "KELO3036", "The default {} is outside min {} and max {}")                              \
  X(kDeclaredTwice, "KELO3037", "'{}' is declared twice")                                                    \
  X(kPlotOutsideIndicator, "KELO3038", "plot belongs in an indicator. A bot draws with draw.* instead.")     \
  X(kNotReceived, "KELO3039", "A {} does not receive {}. It receives: {}") /* kind, handler, list */         \
  X(kOnInitStatus, "KELO3040", "onInit returns status. Use status.ok or status.failed(reason).")             \
  X(kBotNeverActs, "KELO3041", "This bot has no onTick, onBar, onTimer or onWebhook, so it will never act")  \
  X(kIndicatorDrawsNothing, "KELO3042",                                                                      \
    "This indicator has no plot and no onCalculate, so it will draw nothing")                                \
  X(kDefaultNotLiteral, "KELO3101", "An input default has to be a literal value")
// clang-format on

namespace kelo_compile::codes {

KELO_COMPILER_DIAGNOSTICS(KELO_DIAGNOSTIC_MESSAGE)

}  // namespace kelo_compile::codes
