// The plotter file's bytes as commands and parameters, apart from what they mean.
#include <gtest/gtest.h>

#include <string>

#include "core/hpgl/Reader.h"

namespace refconv::hpgl {
namespace {

// The mnemonics of a file, each with the numbers that follow it, as "PD 1 2;".
std::string commandsOf(std::string_view bytes) {
  Reader reader(bytes);
  std::string out;
  while (const auto m = reader.next()) {
    out += std::string{m->a, m->b};
    while (const auto n = reader.number()) {
      char text[32];
      std::snprintf(text, sizeof text, " %g", *n);
      out += text;
    }
    reader.endCommand();
    out += ';';
  }
  return out;
}

TEST(HpglReaderTest, CommandsAndTheirNumbers) {
  const struct {
    std::string_view bytes, read;
  } cases[] = {
      {"IN;SP1;PU0,0;PD100,100;", "IN;SP 1;PU 0 0;PD 100 100;"},
      {"in sp1 pd 1 2 3 4", "IN;SP 1;PD 1 2 3 4;"},                  // lower case, blanks, no ";"
      {"PA-1.5,+2.25,.5;PD1.2.3;", "PA -1.5 2.25 0.5;PD 1.2 0.3;"},  // signs, fractions, "1.2.3"
      {"PD+-;PU", "PD;PU;"},                                         // a lone sign
      {"PD1000000000000000000000000000000000000,1", "PD 1e+10 1;"},  // too many digits
      // Exponents, as PostScript-to-HP-GL converters write them; an E before a letter is a command.
      {"DI4.48966e-09,100;SI2.5E-1,1e+2", "DI 4.48966e-09 100;SI 0.25 100;"},
      {"PA10,10EA20,20;PD2E400,-3e-400", "PA 10 10;EA 20 20;PD 1e+10 -0;"},
      {"LB\"quoted\";SP2", "LB;SP 2;"},                   // quotes stepped over
      {"@PJL ENTER LANGUAGE=HPGL2\nIN;SP1", "IN;SP 1;"},  // a PJL line
      {"\x1B.(\x1B.I81;;17:IN;PA1,1", "IN;PA 1 1;"},      // device control
      {"\x1B"
       "E\x1B%1BIN;PD1,2;\x1B%0ATEXT PD\x1B%0BPU",
       "IN;PD 1 2;PU;"},                   // PCL around HP-GL/2
      {"\x1B*b3WPD!\x1B%1BSP1", "SP 1;"},  // PCL data carries its length
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(commandsOf(c.bytes), c.read) << c.bytes;
}

TEST(HpglReaderTest, LabelTextsAndBytes) {
  Reader reader("LBHello\x03SP1;DT#,1;LBtwo#rest");
  ASSERT_TRUE(reader.next());
  EXPECT_EQ(reader.textUntil('\x03', false), "Hello");
  ASSERT_TRUE(reader.next());
  EXPECT_EQ(reader.number(), 1.0);
  reader.endCommand();
  ASSERT_TRUE(reader.next());  // DT: its terminator byte, then a number
  EXPECT_EQ(reader.peek(), '#');
  reader.advance();
  EXPECT_EQ(reader.number(), 1.0);
  reader.endCommand();
  ASSERT_TRUE(reader.next());
  EXPECT_EQ(reader.textUntil('#', true), "two#");
  EXPECT_EQ(reader.textUntil('#', false), "rest");  // no terminator: to the end
  EXPECT_TRUE(reader.atEnd());
  EXPECT_EQ(reader.peek(), '\0');
  EXPECT_FALSE(reader.next());
  EXPECT_FALSE(Reader("IN;").enteredFromPcl());
  Reader pcl("\x1B%1BIN;");
  EXPECT_TRUE(pcl.next());
  EXPECT_TRUE(pcl.enteredFromPcl());
}

}  // namespace
}  // namespace refconv::hpgl
