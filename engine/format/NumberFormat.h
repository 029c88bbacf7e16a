/*
** Oracle's number format models for TO_CHAR and TO_NUMBER: 9 0 , . G D $
** L C U B S MI PR EEEE V X RN FM and TM. Numbers are written from their
** shortest decimal form, rounded half away from zero to the model's
** decimals; a value the model cannot hold is written as '#' characters,
** one more than the model is long, as the vendor does.
*/
#ifndef KESTREL_ENGINE_NUMBERFORMAT_H
#define KESTREL_ENGINE_NUMBERFORMAT_H

#include <string>
#include <string_view>

namespace kestrel_engine {

// The session's currency symbols and numeric characters.
struct NumberSymbols {
  char decimal = '.';
  char group = ',';
  std::string currency = "$";
  std::string isoCurrency = "USD";
};

// TO_CHAR(number, model): 0, or 1481 (invalid number format model).
// `decimalText` is the number's plain decimal text ("-12.5", "3e-7").
int FormatNumber(std::string_view decimalText, std::string_view model,
                 const NumberSymbols &symbols, std::string *out);

// TO_NUMBER(text, model): the number's plain decimal text, or 1722 when the
// text does not fit the model (1481 for a bad model).
int ReadNumber(std::string_view text, std::string_view model,
               const NumberSymbols &symbols, std::string *decimalText);

}  // namespace kestrel_engine

#endif
