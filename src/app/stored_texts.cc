// Stored forms of the built-in texts, as copyloom-encode prints them.
#include "app/stored_texts.h"

namespace copyloom::stored {

const wchar_t* const kLanguageEntries[kBuiltInFilledEntries] = {
    /*  0 */ L"wJIXmOjnBspXwJxqvEmhoLard",
    /*  1 */ L"mOyfCMhKkUIXmONny6oKhsd7cYh8iMyfCMhKy6oSIJxqvEmhoLard",
    /*  2 */ L"Jxyvy9pnm6GIJxqvEmhoLardJxqvEmhoLard",
    /*  3 */
    L"wUIXmOjnBspXwUGXmONny2ofiWhecwdvlLh8qUpXGUpXQFoPtF3KlkdvlLh8oUYRcMGXYs3n"
    L"Qw8KQwJxqvTrPomeWaldKinJxqvBunoSeltHargmup6cMp1LUp1yTGvy6oKmvoKmwNKy6d6z"
    L"JxqvEmhoLard",
    /*  4 */ L"c6kXF1pvl9olc6pJhahKy6",
    /*  5 */ L"CFkXF1pvl9olCFGXya3vy6",
    /*  6 */ L"Jxyvy6dXFspUJxqvEmhoLardJxqvEmhoLard",
    /*  7 */ L"FiMeadowLarkFinchRobinintMNnOJxqvEmhoLard",
    /*  8 */ L"JxyXy7dXFwhIJxqvEmhoLardJxqvEmhoLard",
    /*  9 */ L"EmeKy9d4JxqvEmhoLardJxqvEmhoLard",
    /* 10 */ L"mOInCs38IUIXmOjnBspXwJxqvEmhoLard",
    /* 11 */ L"MwIXmOj8CahXMwoRMS5ecnhnBTpJCM",
    /* 12 */ L"MwInB9ofCahXMwd6c6h8YFd1hFhRzJxqvEmhoLard",
    /* 13 */ L"JxenQ23Kl9p4JxqvEmhoLardJxqvEmhoLard",
    /* 14 */ L"FiMeadowLarkFinchRobinynQap1YwGnB9",
    /* 15 */ L"qJkXyw3KFrhJqJxqvEmhoLard",
    /* 16 */ L"FiMeadowLarkFinchRobinnny2",
    /* 17 */ L"FiMeadowLarkFinchRobinbv0JxqvEmhoLard",
    /* 18 */ L"FiMeadowLarkFinchRobinIXlrGXy9",
    /* 19 */ L"FiMeadowLarkFinchRobinIXBsdXkJxqvEmhoLard",
    /* 20 */ L"FiMeadowLarkFinchRobinkvywd1LJxqvEmhoLard",
    /* 21 */ L"FiMeadowLarkFinchRobini8C6pJoJxqvEmhoLard",
    /* 22 */ L"JxyXl6pvFrhOJxqvEmhoLardJxqvEmhoLard",
    /* 23 */ L"iaenQvpJCTG8iapXzJxqvEmhoLard",
    /* 24 */ L"3MkKBFG8YFof3MN8IrZ7zJxqvEmhoLard",
    /* 25 */ L"zrbKmMhKFrh6zrZUJxqvEmhoLardJxqvEmhoLard",
    /* 26 */ L"EmiKmrhIJxqvEmhoLardJxqvEmhoLard",
    /* 27 */ L"JxInYupJyr34JxqvEmhoLardJxqvEmhoLard",
    /* 28 */ L"OJyKy6pnFrGnOJxqvEmhoLard",
    /* 29 */ L"FiMeadowLarkFinchRobini8MOh8Cw",
    /* 30 */ L"JxbKF7dvl6jIJxqvEmhoLardJxqvEmhoLard",
    /* 31 */ L"FiMeadowLarkFinchRobinbw9JxqvEmhoLard",
    /* 32 */ L"EmbJcFpUJxqvEmhoLardJxqvEmhoLard",
    /* 33 */ L"EmkXlXhIJxqvEmhoLardJxqvEmhoLard",
    /* 34 */ L"FiMeadowLarkFinchRobinI1Cs3JYFZ7zr",
    /* 35 */ L"FiMeadowLarkFinchRobinivm9hKy6",
    /* 36 */ L"EmivF9hIJxqvEmhoLardJxqvEmhoLard",
    /* 37 */ L"JxbKFuhnQuhIJxqvEmhoLardJxqvEmhoLard",
    /* 38 */ L"JxkJyOdKm634JxqvEmhoLardJxqvEmhoLard",
    /* 39 */ L"JxIXmr3Klu34JxqvEmhoLardJxqvEmhoLard",
    /* 40 */ L"kJbKlrhJyMhXkJxqvEmhoLard",
    /* 41 */ L"JxinQ1pKF2N4JxqvEmhoLardJxqvEmhoLard",
    /* 42 */ L"JxIXMapvy2hIJxqvEmhoLardJxqvEmhoLard",
    /* 43 */ L"FiMeadowLarkFinchRobiny8cLG8iF",
    /* 44 */ L"m6IXMFGX9Uhvm6ofyOhKlwh8qJxqvEmhoLard",
    /* 45 */ L"y6yvF2N8IUpJy6of3FG1Ya3KkJxqvEmhoLard",
    /* 46 */ L"mtyKMMpv9UjnmtoKhsd7ctdXFrh6cSpJcQpKmspezJxqvEmhoLard",
};

const PerLanguage kSiteAddress = {
    L"muNfiwdfqVZ6mupJcQpKmspeQFjKlTdKBFZOJxqvEmhoLardJxqvEmhoLard",
    L"muNfiwdfqVZ6mupJcQpKmspeQFjKlTdKBFZJaWZOJxqvEmhoLardJxqvEmhoLard",
};
const PerLanguage kSecondWebAddress = {
    L"FiMeadowLarkFinchRobinhKmJpvBsGnIs",
    L"FiMeadowLarkFinchRobinhKmJpvBsGnIs",
};
const PerLanguage kThirdWebAddress = {
    L"FiMeadowLarkFinchRobinpvyJd60JxqvEmhoLard",
    L"FiMeadowLarkFinchRobinpvyJd60JxqvEmhoLard",
};
const PerLanguage kHelpPageAddress = {
    L"iFNKy9dRmapviFjRQW3KwJxqvEmhoLard",
    L"iFNKy9dRmapviFjRQW3KwJxqvEmhoLard",
};
const PerLanguage kWebPanelAddress = {
    L"muNfiwdfqVZ6mupJcQpKmspeQFjKlTdKBFZJcMpvy9ZOJxqvEmhoLardJxqvEmhoLard",
    L"muNfiwdfqVZ6mupJcQpKmspeQFjKlTdKBFZJaWZJcMpvy9ZOJxqvEmhoLardJxqvEmhoLard",
};
const PerLanguage kContactEmail = {
    L"cudJyOdKm63PcupJcQpKmspeQFjKlTdKBF",
    L"tudJyOdKm63RtupLcupJcQpKmspeQFjKlTdKBF",
};
const PerLanguage kContactMessenger = {
    L"wUIXmOjnBspXwUkJyOdKm634JxqvEmhoLardJxqvEmhoLard",
    L"XJIXmOjnBspXXJxqvSonkRubi2pAJxqvPyloTesk",
};

const wchar_t kMarkerText[] = L"tbIXmOjnBspXtbNn3rhnilIIJxqvEmhoLardJxqvEmhoLard";
const wchar_t kLibraryPattern[] = L"FiMeadowLarkFinchRobin3vBudfLD";
const wchar_t kFallbackTime[] = L"PUqu4Bq7wXZbPUESWOEu4JxqvEmhoLard";

}  // namespace copyloom::stored
