#include "overlay/core/rcon_status.h"

#include "common/core/text.h"

namespace {

constexpr int kMaxClientNumber = 999;

enum class Column { Client, Score, Ping, Name, LastMessage, Address, Qport, Rate, Other };

Column ColumnOf(std::string_view heading) {
  struct Known {
    std::string_view heading;
    Column column;
  };
  static constexpr Known kKnown[] = {
      {"cl", Column::Client},          {"num", Column::Client},      {"score", Column::Score},
      {"ping", Column::Ping},          {"name", Column::Name},       {"lastmsg", Column::LastMessage},
      {"address", Column::Address},    {"qport", Column::Qport},     {"rate", Column::Rate},
  };
  for (const Known& k : kKnown) {
    if (k.heading == heading) return k.column;
  }
  return Column::Other;
}

// The columns left of the name in order, those right of it from the line's
// end backwards.
struct Layout {
  std::vector<Column> left;
  std::vector<Column> right;
  bool portsShown = false;  // the layouts with a qport column print "ip:port"
};

bool Holds(const std::vector<Column>& columns, Column wanted) {
  for (Column c : columns) {
    if (c == wanted) return true;
  }
  return false;
}

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  size_t at = 0;
  while ((at = line.find_first_not_of(' ', at)) != std::string_view::npos) {
    const size_t end = std::min(line.find(' ', at), line.size());
    words.push_back(line.substr(at, end - at));
    at = end;
  }
  return words;
}

std::optional<Layout> LayoutOfHeading(std::string_view line) {
  const std::vector<std::string_view> words = Words(line);
  if (words.empty() || ColumnOf(words.front()) != Column::Client) return std::nullopt;
  Layout layout;
  bool nameSeen = false;
  for (std::string_view word : words) {
    const Column column = ColumnOf(word);
    if (column == Column::Name) {
      nameSeen = true;
    } else if (nameSeen) {
      layout.right.insert(layout.right.begin(), column);
    } else {
      layout.left.push_back(column);
    }
  }
  if (!nameSeen || !Holds(layout.left, Column::Ping) || !Holds(layout.right, Column::Address)) return std::nullopt;
  layout.portsShown = Holds(layout.right, Column::Qport);
  return layout;
}

// A row taken apart from both ends; what remains between is the name.
class RowEnds {
 public:
  explicit RowEnds(std::string_view line) : line_(line), begin_(0), end_(line.size()) {}

  std::optional<std::string_view> TakeLeft() {
    const size_t at = line_.find_first_not_of(' ', begin_);
    if (at == std::string_view::npos || at >= end_) return std::nullopt;
    begin_ = std::min(line_.find(' ', at), end_);
    return line_.substr(at, begin_ - at);
  }

  std::optional<std::string_view> TakeRight() {
    const std::string_view rest = line_.substr(begin_, end_ - begin_);
    const size_t last = rest.find_last_not_of(' ');
    if (last == std::string_view::npos) return std::nullopt;
    const size_t blank = rest.rfind(' ', last);
    const size_t at = blank == std::string_view::npos ? 0 : blank + 1;
    end_ = begin_ + at;
    return rest.substr(at, last + 1 - at);
  }

  // Hands the first bytes of the word last taken from the right back to the name.
  void ReturnToName(size_t bytes) { end_ += bytes; }

  std::string_view Middle() const { return line_.substr(begin_, end_ - begin_); }

 private:
  std::string_view line_;
  size_t begin_;
  size_t end_;
};

bool IsDigits(std::string_view word) {
  return !word.empty() && word.find_first_not_of("0123456789") == std::string_view::npos;
}

bool IsUpperWord(std::string_view word) {
  return !word.empty() && word.size() <= 4 && word.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") == std::string_view::npos;
}

bool TakeValue(Column column, std::string_view word, RconPlayer& p) {
  int number = 0;
  switch (column) {
    case Column::Client:
      if (!IsDigits(word) || !ParseInt32(word, number) || number > kMaxClientNumber) return false;
      p.client = number;
      return true;
    case Column::Score:
      return ParseInt32(word, p.score);
    case Column::Ping:
      if (!IsDigits(word) && !IsUpperWord(word)) return false;
      p.ping = std::string(word);
      return true;
    case Column::LastMessage:
    case Column::Qport:
    case Column::Rate:
      return IsDigits(word);
    case Column::Address:
      p.address = std::string(word);
      return true;
    case Column::Name:
    case Column::Other:
      return true;
  }
  return false;
}

// A Quake III family server glues the address to the name with a colour code
// when the name fills its column; an address never holds "^".
std::string_view SplitGluedAddress(std::string_view word, RowEnds& row) {
  const size_t caret = word.rfind('^');
  if (caret == std::string_view::npos) return word;
  const size_t glued = std::min(caret + 2, word.size());
  row.ReturnToName(glued);
  return word.substr(glued);
}

std::string HostOf(std::string_view address, bool portShown) {
  if (!address.empty() && address.front() == '[') {
    const size_t close = address.find(']');
    return std::string(address.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
  }
  const size_t colon = address.rfind(':');
  if (!portShown || colon == std::string_view::npos) return std::string(address);
  return std::string(address.substr(0, colon));
}

std::optional<RconPlayer> ReadRow(std::string_view line, const Layout& layout) {
  RowEnds row(line);
  RconPlayer p;
  for (Column column : layout.left) {
    const auto word = row.TakeLeft();
    if (!word || !TakeValue(column, *word, p)) return std::nullopt;
  }
  for (Column column : layout.right) {
    auto word = row.TakeRight();
    if (!word) return std::nullopt;
    if (column == Column::Address) word = SplitGluedAddress(*word, row);
    if (!TakeValue(column, *word, p)) return std::nullopt;
  }
  if (p.address.empty()) return std::nullopt;
  p.name = TrimBlanks(WithoutColourCodes(row.Middle()));
  p.host = HostOf(p.address, layout.portsShown);
  return p;
}

std::string_view WithoutLineEnd(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

}  // namespace

std::optional<RconStatus> ReadRconStatus(std::string_view text) {
  RconStatus status;
  std::optional<Layout> layout;
  std::vector<bool> seen(kMaxClientNumber + 1);
  size_t at = 0;
  while (at <= text.size()) {
    const size_t end = std::min(text.find('\n', at), text.size());
    const std::string_view line = WithoutLineEnd(text.substr(at, end - at));
    at = end + 1;
    if (layout) {
      std::optional<RconPlayer> p = ReadRow(line, *layout);
      if (!p || seen[static_cast<size_t>(p->client)]) continue;
      seen[static_cast<size_t>(p->client)] = true;
      status.players.push_back(std::move(*p));
    } else if (line.substr(0, 4) == "map:") {
      status.map = TrimBlanks(line.substr(4));
    } else {
      layout = LayoutOfHeading(line);
    }
  }
  if (!layout) return std::nullopt;
  return status;
}

std::string WithoutColourCodes(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (size_t i = 0; i < name.size(); ++i) {
    const char next = i + 1 < name.size() ? name[i + 1] : '\0';
    const bool code = name[i] == '^' && ((next >= '0' && next <= '9') || (next >= 'a' && next <= 'z') ||
                                         (next >= 'A' && next <= 'Z'));
    if (code) {
      ++i;
    } else {
      out += name[i];
    }
  }
  return out;
}

std::vector<GridPlayer> GridPlayers(const RconStatus& status) {
  std::vector<GridPlayer> players;
  players.reserve(status.players.size());
  for (const RconPlayer& p : status.players) players.push_back({p.client, p.ping, p.name, p.host});
  return players;
}
