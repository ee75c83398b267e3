#include <gtest/gtest.h>

#include "launcher/core/launch_line.h"

TEST(LaunchLine, ThreeFormsWithPortAndExtraAlwaysPresent) {
  struct Case {
    const char* what;
    LaunchFields fields;
    const char* args;
  };
  const std::string name = Quote("Sgt Baker");
  const Case cases[] = {
      {"no server", {name, "", "", "12300", "+set cl_playintro 0"},
       R"( +developer 0 +name "Sgt Baker" +set net_port 12300 "+set cl_playintro 0")"},
      {"server only", {name, "10.0.0.5", "", "12300", "+set cl_playintro 0"},
       R"( +developer 0 +name "Sgt Baker" +connect "10.0.0.5" +set net_port 12300 "+set cl_playintro 0")"},
      {"password and server", {name, "10.0.0.5", "pw", "12300", "+set cl_playintro 0"},
       R"( +developer 0 +name "Sgt Baker" +password "pw" +connect "10.0.0.5" +set net_port 12300 "+set cl_playintro 0")"},
      {"password without server", {name, "", "pw", "12300", "x"},
       R"( +developer 0 +name "Sgt Baker" +password "pw" +connect "" +set net_port 12300 "x")"},
      {"empty port keeps both blanks", {name, "", "", "", "x"},
       R"( +developer 0 +name "Sgt Baker" +set net_port  "x")"},
      {"empty extra gives two quotes", {name, "1.2.3.4", "", "5", ""},
       R"( +developer 0 +name "Sgt Baker" +connect "1.2.3.4" +set net_port 5 "")"},
      {"port of the server stays inside its quotes", {name, "10.0.0.5:12204", "", "", ""},
       R"( +developer 0 +name "Sgt Baker" +connect "10.0.0.5:12204" +set net_port  "")"},
      {"quotes inside are not escaped", {Quote("a\"b"), "", "p\"w", "", "+say \"hi\""},
       R"( +developer 0 +name "a"b" +password "p"w" +connect "" +set net_port  "+say "hi"")"},
      {"blank name quoted as is", {Quote("  "), "", "", "", ""}, R"( +developer 0 +name "  " +set net_port  "")"},
  };
  for (const Case& c : cases) EXPECT_EQ(BuildLaunchArgs(c.fields), c.args) << c.what;
}

TEST(LaunchLine, ProgramFilePerEdition) {
  EXPECT_EQ(ProgramFile(GameEdition::AlliedAssault), "\\mohaa.exe");
  EXPECT_EQ(ProgramFile(GameEdition::Spearhead), "\\moh_spearhead.exe");
  EXPECT_EQ(ProgramFile(GameEdition::Breakthrough), "\\moh_breakthrough.exe");
  for (int noEdition : {3, 4, -1}) EXPECT_EQ(ProgramFile(static_cast<GameEdition>(noEdition)), "") << noEdition;
}
