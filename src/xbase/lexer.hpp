// LEXER: cuts an expression text into tokens for the parser.
//
// Context decides two things the characters alone do not: "[" opens a string literal where an
// operand is expected and an index after an operand; "&name" inside a word is a macro piece.
// Invariants: every token records its byte offset in the text, so syntax errors can name the
// position; the token list always ends with one End token.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace xb::xbase {

enum class Tok : std::uint8_t {
    End,
    Number,
    String,
    Date,
    Ident,       // a plain name
    MacroName,   // a name with &var pieces: pieces holds them
    MacroParen,  // "&(": the parser reads the parenthesised expression
    True,
    False,
    Plus,
    Minus,
    Star,
    Slash,
    Percent,
    Power,
    Inc,
    Dec,
    Assign,
    PlusAssign,
    MinusAssign,
    StarAssign,
    SlashAssign,
    PercentAssign,
    PowerAssign,
    Eq,
    EqEq,
    Ne,
    Lt,
    Le,
    Gt,
    Ge,
    Dollar,
    And,
    Or,
    Not,
    LParen,
    RParen,
    LBracket,
    RBracket,
    LBrace,
    RBrace,
    Comma,
    Pipe,
    Colon,
    Arrow,      // ->
    HashArrow,  // =>
    At,
    Error,  // a character that starts no token; text holds the reason
};

// One part of a macro name: literal text, or the name of a variable whose value is spliced in.
struct MacroPiece {
    bool isVar;
    std::string text;
};

struct Token {
    Tok kind = Tok::End;
    std::uint32_t pos = 0;  // byte offset in the text
    std::uint32_t end = 0;  // offset just after the token
    std::string text;       // identifier (as written), string contents, number text
    double number = 0;
    std::int16_t decimals = 0;
    std::int16_t width = 0;
    std::int32_t julian = 0;
    std::vector<MacroPiece> pieces;
};

// Tokenises the whole text. A lexical error becomes an Error token followed by End.
std::vector<Token> tokenize(std::string_view text);

// Human-readable name of a token kind for syntax error messages.
const char* tokenName(Tok t);

}  // namespace xb::xbase
