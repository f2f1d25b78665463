// The day on show: today, a day the user picked, or the day pinned in an earlier run, and
// what hangs on it (the Hebrew date, the caption, the lesson key).
#include "app/app.h"

void SelectDay(DayNumber day, int force) {
    if (day == 0) {
        // A pinned day of an earlier run stays unless today is asked for outright.
        if ((g_app.Flags & kFlagPinnedDay) != 0 && force == 0) return;
        const CalendarDate today = TodayDate();
        day = GregorianToDayNumber(today.month, today.day, today.year);
        g_app.Flags &= ~kFlagPinnedDay;
    } else {
        g_app.Flags |= kFlagPinnedDay;
    }
    if (day == g_app.Day) return;
    // A new day opens at the start of its lesson, unless the caller keeps the position.
    if (force == 0) g_app.LastPosition = 0;
    g_app.Day = day;
    DayNumberToHebrew(day, g_app.date);
    g_app.captionLength = FormatDateCaption(g_app.date, g_app.caption);
    if (g_app.captionLength == 0) g_app.caption[0] = 0;
    g_app.Lesson = DayCodeOfDate(g_app.date.month, g_app.date.day, g_app.date.year);
}
