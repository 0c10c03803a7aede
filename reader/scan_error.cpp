#include "reader/scan_error.h"

#include "reader/syntax/line_scanner.h"

namespace quarnel {

static_assert(longest_token == 4096, "token_too_long's reason names the bound");

const char* describe(scan_error error) {
  switch (error) {
    case scan_error::none: return "no error";
    case scan_error::label_not_number: return "label is not a number";
    case scan_error::label_missing: return "label missing";
    case scan_error::index_not_integer: return "feature index is not an integer";
    case scan_error::index_out_of_range: return "feature index out of range";
    case scan_error::colon_missing: return "colon missing after feature index";
    case scan_error::value_missing: return "value missing after colon";
    case scan_error::value_not_number: return "value is not a number";
    case scan_error::duplicate_index: return "feature index repeated in one instance";
    case scan_error::header_value_too_large: return "header value is larger than 2147483647";
    case scan_error::header_instance_count: return "the file has another number of instances than its header gives";
    case scan_error::index_outside_header: return "feature index is outside the header's range";
    case scan_error::label_outside_header: return "label is outside the header's range";
    case scan_error::index_below_base: return "feature index is below the first column's index";
    case scan_error::index_outside_width: return "feature index is outside the width's range";
    case scan_error::header_not_one_based:
      return "'zero_based' is false, but a file with a header is zero-based";
    case scan_error::query_misplaced: return "qid: is only allowed as the first token after the labels";
    case scan_error::query_id_invalid: return "query id is not an integer from -2^53 to 2^53";
    case scan_error::token_too_long: return "token is longer than 4096 bytes";
    case scan_error::stopped: return "scan stopped";
  }
  return "unknown error";
}

}  // namespace quarnel
