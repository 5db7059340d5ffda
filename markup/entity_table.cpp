#include "markup/entity_table.h"

#include <array>

namespace {

constexpr size_t kRowHeader = 5; // length digit and four code point digits

constexpr std::array<std::u16string_view, kEntityBucketCount> kBuckets{{
    u"60216oslash60248oslash60217ugrave60249ugrave",                       // 0
    u"58968lceil50937omega50969omega60221yacute60253yacute",               // 1
    u"50916delta50948delta50206icirc50238icirc68472weierp",                // 2
    u"40185sup1",                                                          // 3
    u"68970lfloor40178sup2",                                               // 4
    u"60164curren50922kappa50954kappa58212mdash40179sup3",                 // 5
    u"59830diams58211ndash",                                               // 6
    u"68855otimes58969rceil",                                              // 7
    u"50212ocirc50244ocirc50338oelig50339oelig58482trade",                 // 8
    u"50197aring50229aring50931sigma50963sigma",                           // 9
    u"50180acute68971rfloor50732tilde",                                    // 10
    u"68249lsaquo",                                                        // 11
    u"58734infin68201thinsp",                                              // 12
    u"50161iexcl",                                                         // 13
    u"50920theta50952theta50219ucirc50251ucirc",                           // 14
    u"58254oline",                                                         // 15
    u"58260frasl68727lowast",                                              // 16
    u"59827clubs60191iquest68250rsaquo",                                   // 17
    u"58629crarr50181micro",                                               // 18
    u"58222bdquo",                                                         // 19
    u"",                                                                   // 20
    u"60177plusmn58243prime58242prime",                                    // 21
    u"40914beta40946beta",                                                 // 22
    u"",                                                                   // 23
    u"",                                                                   // 24
    u"",                                                                   // 25
    u"50171laquo50215times",                                               // 26
    u"40710circ",                                                          // 27
    u"49001lang",                                                          // 28
    u"58220ldquo40175macr",                                                // 29
    u"40182para50163pound48476real",                                       // 30
    u"",                                                                   // 31
    u"58713notin50187raquo",                                               // 32
    u"48773cong50223szlig50978upsih",                                      // 33
    u"58776asymp58801equiv49002rang58218sbquo",                            // 34
    u"48659darr48595darr40402fnof58221rdquo50222thorn50254thorn",          // 35
    u"40162cent58722minus",                                                // 36
    u"58707exist40170ordf",                                                // 37
    u"",                                                                   // 38
    u"58709empty48660harr48596harr40921iota40953iota",                     // 39
    u"",                                                                   // 40
    u"40196auml40228auml48226bull40167sect48838sube",                      // 41
    u"",                                                                   // 42
    u"48656larr48592larr58853oplus",                                       // 43
    u"30176deg58216lsquo40186ordm",                                        // 44
    u"40039apos40203euml40235euml48712isin40160nbsp",                      // 45
    u"40918zeta40950zeta",                                                 // 46
    u"38743and48195emsp48719prod",                                         // 47
    u"38745cap30935chi30967chi48194ensp",                                  // 48
    u"40207iuml40239iuml48706part48869perp48658rarr48594rarr",             // 49
    u"38736ang48836nsub58217rsquo",                                        // 50
    u"",                                                                   // 51
    u"48901sdot48657uarr48593uarr",                                        // 52
    u"40169copy48364euro",                                                 // 53
    u"30919eta30951eta",                                                   // 54
    u"40214ouml40246ouml48839supe",                                        // 55
    u"",                                                                   // 56
    u"",                                                                   // 57
    u"30038amp30174reg",                                                   // 58
    u"48733prop",                                                          // 59
    u"",                                                                   // 60
    u"30208eth30240eth30934phi30966phi40220uuml40252uuml",                 // 61
    u"",                                                                   // 62
    u"",                                                                   // 63
    u"",                                                                   // 64
    u"40376yuml40255yuml",                                                 // 65
    u"",                                                                   // 66
    u"40034quot48204zwnj",                                                 // 67
    u"38746cup68756there4",                                                // 68
    u"30929rho30961rho38764sim",                                           // 69
    u"38834sub30932tau30964tau",                                           // 70
    u"38747int38206lrm38207rlm",                                           // 71
    u"30936psi30968psi30165yen",                                           // 72
    u"",                                                                   // 73
    u"28805ge30168uml",                                                    // 74
    u"30982piv",                                                           // 75
    u"",                                                                   // 76
    u"30172not",                                                           // 77
    u"",                                                                   // 78
    u"28804le",                                                            // 79
    u"30173shy",                                                           // 80
    u"39674loz28800ne38721sum",                                            // 81
    u"",                                                                   // 82
    u"",                                                                   // 83
    u"38835sup",                                                           // 84
    u"28715ni",                                                            // 85
    u"",                                                                   // 86
    u"20928pi20960pi38205zwj",                                             // 87
    u"",                                                                   // 88
    u"20062gt60923lambda60955lambda",                                      // 89
    u"",                                                                   // 90
    u"",                                                                   // 91
    u"60199ccedil60231ccedil",                                             // 92
    u"",                                                                   // 93
    u"20060lt",                                                            // 94
    u"28744or20926xi20958xi",                                              // 95
    u"20924mu20956mu",                                                     // 96
    u"20925nu20957nu",                                                     // 97
    u"68225dagger68224dagger",                                             // 98
    u"80977thetasym",                                                      // 99
    u"",                                                                   // 100
    u"",                                                                   // 101
    u"",                                                                   // 102
    u"78501alefsym",                                                       // 103
    u"",                                                                   // 104
    u"",                                                                   // 105
    u"",                                                                   // 106
    u"60193aacute60225aacute60195atilde60227atilde",                       // 107
    u"",                                                                   // 108
    u"60247divide70927omicron70959omicron",                                // 109
    u"60192agrave60224agrave",                                             // 110
    u"60201eacute60233eacute60962sigmaf",                                  // 111
    u"70917epsilon70949epsilon",                                           // 112
    u"",                                                                   // 113
    u"60200egrave60232egrave",                                             // 114
    u"60205iacute60237iacute",                                             // 115
    u"",                                                                   // 116
    u"",                                                                   // 117
    u"68230hellip60204igrave60236igrave",                                  // 118
    u"60166brvbar",                                                        // 119
    u"68704forall58711nabla60209ntilde60241ntilde69824spades",             // 120
    u"60189frac1260183middot60211oacute60243oacute60213otilde60245otilde", // 121
    u"",                                                                   // 122
    u"50184cedil60188frac14",                                              // 123
    u"50194acirc50226acirc50198aelig50230aelig60210ograve60242ograve",     // 124
    u"60190frac3450915gamma50947gamma58465image58730radic",                // 125
    u"60352scaron60353scaron",                                             // 126
    u"69829hearts60218uacute60250uacute",                                  // 127
    u"50913alpha50945alpha50202ecirc50234ecirc70933upsilon70965upsilon",   // 128
    u"68240permil",                                                        // 129
}};

char32_t ReadCodePoint(std::u16string_view digits) {
    char32_t value = 0;
    for (char16_t c : digits)
        value = value * 10 + static_cast<char32_t>(c - u'0');
    return value;
}

} // namespace

std::u16string_view EntityBucket(size_t index) {
    return index < kBuckets.size() ? kBuckets[index] : std::u16string_view();
}

size_t EntityBucketIndex(std::u16string_view foldedName) {
    size_t sum = 0;
    for (char16_t c : foldedName)
        sum += c;
    return sum % kEntityBucketCount;
}

char32_t LookupEntity(std::u16string_view foldedName, bool capitalised) {
    const std::u16string_view bucket = kBuckets[EntityBucketIndex(foldedName)];
    char32_t first = 0;
    for (size_t at = 0; at < bucket.size();) {
        const std::u16string_view row =
            bucket.substr(at, kRowHeader + static_cast<size_t>(bucket[at] - u'0'));
        at += row.size();
        if (row.substr(kRowHeader) != foldedName)
            continue;
        const char32_t codePoint = ReadCodePoint(row.substr(1, kRowHeader - 1));
        if (capitalised || first != 0)
            return codePoint; // the first row is the capitalised entity's, the second the other's
        first = codePoint;
    }
    return first;
}
