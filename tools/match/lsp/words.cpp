// The table of the language's words. Data names must be the robot's own (a test compares them
// with CData::FieldNames), meanings the guide's (a test reads them in docs/script-guide.md).
#include "match/lsp/words.h"

namespace match::lsp {
namespace {

std::vector<Word> MakeWords() {
    using K = WordKind;
    return {
        {K::kData, ".you.money", ".you.money", "your money"},
        {K::kData, ".you.raw", ".you.raw", "your raw material"},
        {K::kData, ".you.prod", ".you.prod", "your products (made in earlier turns, ready to sell)"},
        {K::kData, ".you.fabrics", ".you.fabrics", "your ordinary plants"},
        {K::kData, ".you.auto_plants", ".you.auto_plants", "your automatic plants"},
        {K::kPlayerData, ".money", ".players[i].money", "player i's money, -1 once out of the game"},
        {K::kPlayerData, ".raw", ".players[i].raw", "player i's raw material"},
        {K::kPlayerData, ".prod", ".players[i].prod", "player i's products"},
        {K::kPlayerData, ".fabrics", ".players[i].fabrics", "player i's ordinary plants"},
        {K::kPlayerData, ".auto_plants", ".players[i].auto_plants", "player i's automatic plants"},
        {K::kData, ".market.raw", ".market.raw", "raw material on offer"},
        {K::kData, ".market.min_raw_price", ".market.min_raw_price",
         "the lowest price the market accepts for raw material"},
        {K::kData, ".market.prod", ".market.prod", "products the market will buy"},
        {K::kData, ".market.max_prod_price", ".market.max_prod_price",
         "the highest price the market pays for a product"},
        {K::kData, ".turn_number", ".turn_number", "turns completed in this game: 0 on the first turn"},
        {K::kData, ".game_number", ".game_number", "the number of the game on the server"},
        {K::kData, ".players_count", ".players_count", "how many other players the robot has seen in this game"},
        {K::kData, ".win", ".win", "0 while the game goes on"},
        {K::kData, ".money", ".money", "your money, the same as `.you.money`"},
        {K::kData, ".raw", ".raw", "your raw material, the same as `.you.raw`"},
        {K::kData, ".prod", ".prod", "your products, the same as `.you.prod`"},
        {K::kData, ".fabrics", ".fabrics", "your ordinary plants, the same as `.you.fabrics`"},
        {K::kData, ".auto_plants", ".auto_plants", "your automatic plants, the same as `.you.auto_plants`"},
        {K::kData, ".min_raw_price", ".min_raw_price", "the market's, the same as `.market.min_raw_price`"},
        {K::kData, ".max_prod_price", ".max_prod_price", "the market's, the same as `.market.max_prod_price`"},
        {K::kCommand, "?buy", "?buy N, P", "bid for N units of raw material at P each"},
        {K::kCommand, "?sell", "?sell N, P", "offer N products at P each"},
        {K::kCommand, "?prod", "?prod N", "make N products this turn"},
        {K::kCommand, "?upgrade", "?upgrade", "turn one ordinary plant into an automatic one"},
        {K::kCommand, "?auto", "?auto", "the same as `?upgrade`"},
        {K::kCommand, "?turn", "?turn", "end your turn"},
        {K::kCommand, "?print", "?print \"text\", values",
         "print the text on the robot's console, each `%d` replaced by the next value"},
        {K::kCommand, "?macro", "?macro \"name\"",
         "a statistic of the game, or one of your fields read without a name search"},
        {K::kMacro, "\"YouProd\"", "?macro \"YouProd\"",
         "your capacity: products your plants can make in one turn (ordinary plants + 2 × automatic plants)"},
        {K::kMacro, "\"OptiProd\"", "?macro \"OptiProd\"",
         "what you can make this turn: the smaller of your raw material and your capacity (money not counted)"},
        {K::kMacro, "\"Online\"", "?macro \"Online\"", "players still in the game, you included"},
        {K::kMacro, "\"AllProd\"", "?macro \"AllProd\"", "products held by all players still in the game, you included"},
        {K::kMacro, "\"AllRaw\"", "?macro \"AllRaw\"", "raw material held by all players still in the game, you included"},
        {K::kMacro, "\"AllEffect\"", "?macro \"AllEffect\"",
         "what all players still in the game can make this turn (each limited by its raw material, except "
         "you: your full capacity)"},
        {K::kMacro, "\".you.raw\"", "?macro \".you.raw\"", "your raw material, read fast"},
        {K::kMacro, "\".you.fabrics\"", "?macro \".you.fabrics\"", "your ordinary plants, read fast"},
        {K::kMacro, "\".you.money\"", "?macro \".you.money\"", "your money, read fast"},
        {K::kMacro, "\".you.prod\"", "?macro \".you.prod\"", "your products, read fast"},
        {K::kMacro, "\".market.max_prod_price\"", "?macro \".market.max_prod_price\"",
         "the highest price the market pays for a product, read fast"},
        {K::kMacro, "\".market.min_raw_price\"", "?macro \".market.min_raw_price\"",
         "the lowest price the market accepts for raw material, read fast"},
        {K::kMacro, "\".market.raw\"", "?macro \".market.raw\"", "raw material on offer, read fast"},
        {K::kMacro, "\".market.prod\"", "?macro \".market.prod\"", "products the market will buy, read fast"},
        {K::kOperator, "+", "+", "addition, subtraction, multiplication; 32-bit, wrapping on overflow"},
        {K::kOperator, "-", "-", "addition, subtraction, multiplication; 32-bit, wrapping on overflow"},
        {K::kOperator, "*", "*", "addition, subtraction, multiplication; 32-bit, wrapping on overflow"},
        {K::kOperator, "/", "/", "division, truncated toward zero; a division by 0 gives 0"},
        {K::kOperator, "%", "%", "remainder, with the sign of the left operand; a remainder by 0 gives 0"},
        {K::kOperator, "<", "<", "comparison: 1 if true, else 0"},
        {K::kOperator, "=", "=", "comparison: 1 if true, else 0"},
        {K::kOperator, ">", ">", "comparison: 1 if true, else 0"},
        {K::kOperator, "&", "&", "bitwise and of all 32 bits"},
        {K::kOperator, "|", "|", "bitwise or of all 32 bits"},
        {K::kOperator, "!", "!$x", "1 if the operand is 0, else 0"},
        {K::kStatement, ":=", "$name := expression", "stores a value"},
        {K::kStatement, "@", "@name", "marks a place for `goto`"},
        {K::kKeyword, "goto", "goto @name", "goes on at the label"},
        {K::kKeyword, "if", "if (expression) statement",
         "runs the statement when the expression is not 0, else the statement after `else`, if any"},
        {K::kKeyword, "else", "if (expression) statement",
         "runs the statement when the expression is not 0, else the statement after `else`, if any"},
    };
}

}  // namespace

const std::vector<Word>& Words() {
    static const std::vector<Word> words = MakeWords();
    return words;
}

const Word* FindWord(WordKind kind, const std::string& name) {
    for (const Word& w : Words())
        if (w.kind == kind && w.name == name) return &w;
    return nullptr;
}

std::string Describe(const Word& word) { return "`" + word.form + "`: " + word.meaning; }

}  // namespace match::lsp
