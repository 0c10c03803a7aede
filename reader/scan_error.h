// Why a line of the data file cannot be read.
#pragma once

namespace quarnel {

enum class scan_error : unsigned char {
  none,
  // a label token is not a complete number
  label_not_number,
  // only white space where a label must begin (after a tab, say)
  label_missing,
  // a pair does not begin with a decimal integer
  index_not_integer,
  // a feature index is beyond the 32-bit signed range
  index_out_of_range,
  // the index is not directly followed by a colon
  colon_missing,
  // nothing but white space follows the colon on this line
  value_missing,
  // the value is not a complete number
  value_not_number,
  // the same feature index occurs twice in one instance
  duplicate_index,
  // a number of the header line is beyond 2147483647
  header_value_too_large,
  // the file holds another number of instances than its header gives
  header_instance_count,
  // a feature index lies outside the header's range [0, d)
  index_outside_header,
  // a label lies outside the header's range [0, L)
  label_outside_header,
  // a feature index lies below the first column's index that 'zero_based' gives
  index_below_base,
  // a feature index lies beyond the columns that 'width' gives
  index_outside_width,
  // 'zero_based' is false, but the file has a header, which makes it zero-based
  header_not_one_based,
  // a "qid:" token stands elsewhere than first after the labels
  query_misplaced,
  // the number after "qid:" is not a decimal integer within +-2^53
  query_id_invalid,
  // a label, index or value runs over longest_token bytes
  token_too_long,
  // a token handler ended the walk early; its caller knows why
  stopped,
};

// A short reason for messages, in lower case.
const char* describe(scan_error error);

}  // namespace quarnel
