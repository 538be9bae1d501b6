// The scan over fuzzed records, dates and settings, checked against the plain way of doing the same job:
// walk the days one by one and look at every record on every day.
#include "data/date_helpers.h"
#include "data/numeric_value.h"
#include "data/record_parser.h"
#include "reminder/scan.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

using namespace candlewatcher;

namespace {

constexpr int kDayCap = 36600;

std::string Field(FuzzedDataProvider& input, int low, int high) {
    switch (input.ConsumeIntegralInRange(0, 3)) {
    case 0:
        return input.ConsumeRandomLengthString(12);
    case 1:
        return "0" + std::to_string(input.ConsumeIntegralInRange(low, high));
    default:
        return std::to_string(input.ConsumeIntegralInRange(low, high));
    }
}

// Mostly short look-aheads, which run fast; now and then a walk to the day cap or the end of the calendar.
double Setting(FuzzedDataProvider& input, double usual) {
    switch (input.ConsumeIntegralInRange(0, 63)) {
    case 0:
        return input.ConsumeFloatingPoint<double>();
    case 1:
        return std::numeric_limits<double>::infinity();
    case 2:
        return input.ConsumeIntegralInRange(-2, 40000);
    case 3:
        return std::numeric_limits<double>::quiet_NaN();
    case 4:
        return input.ConsumeIntegralInRange(-2, 800) + input.ConsumeProbability<double>();
    case 5:
    case 6:
    case 7:
    case 8:
    case 9:
    case 10:
    case 11:
        return input.ConsumeIntegralInRange(-2, 40) +
               input.ConsumeProbability<double>() * input.ConsumeBool();
    default:
        return usual;
    }
}

struct Expected {
    ReminderKind kind;
    std::size_t record;
    int year;
};

// A record falls on a day when its numbers are that day and month; a 29 February one also on 28 February
// of a common year.
bool FallsOn(double day, double month, const CalendarDate& date) {
    if (day == date.Day && month == date.Month) {
        return true;
    }
    return date.Day == 28 && date.Month == 2 && !IsLeapYear(date.Year) && day == 29 && month == 2;
}

[[noreturn]] void Fail() {
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    CalendarDate today{};
    today.Year = input.ConsumeBool() ? input.ConsumeIntegralInRange(9990, 9999)
                                     : input.ConsumeIntegralInRange(100, 9999);
    today.Month = input.ConsumeBool() ? 2 : input.ConsumeIntegralInRange(1, 12);
    today.Day = input.ConsumeIntegralInRange(1, DaysInMonth(today.Month, today.Year));
    const double warn = Setting(input, 1);
    const double warnDays = Setting(input, 10);
    const bool fileFound = input.ConsumeProbability<double>() < 0.9;
    std::vector<BirthdayRecord> records(input.ConsumeIntegralInRange(0, 40));
    for (BirthdayRecord& record : records) {
        // Birthdays near today and on 29 February are where the walk has most to get right.
        switch (input.ConsumeIntegralInRange(0, 3)) {
        case 0:
            record.Day = "29";
            record.Month = "2";
            break;
        case 1:
            record.Day = std::to_string(today.Day + input.ConsumeIntegralInRange(0, 3));
            record.Month = std::to_string(today.Month);
            break;
        default:
            record.Day = Field(input, 0, 32);
            record.Month = Field(input, 0, 13);
        }
        record.Year = Field(input, -50, 10000);
        record.Name = input.ConsumeRandomLengthString(8);
        // Fields as a file can hold them: no line breaks, which the writers refuse.
        for (std::string* field : {&record.Day, &record.Month, &record.Year, &record.Name}) {
            std::replace(field->begin(), field->end(), '\r', ' ');
            std::replace(field->begin(), field->end(), '\n', ' ');
        }
    }
    // A file starting with a byte order mark is read without it: keep the first day from starting with one.
    if (!records.empty() && records.front().Day.rfind("\xEF\xBB\xBF", 0) == 0) {
        records.front().Day[0] = ' ';
    }

    const ScanResult result = ScanBirthdays(today, warn, warnDays, fileFound, records);
    if (result.FileFound != fileFound || (!fileFound && !result.Rows.empty())) {
        Fail();
    }
    // The panel's scan over the same records as file bytes keeps the first rows and counts them all.
    std::string fileBytes;
    for (const BirthdayRecord& record : records) {
        AppendRecordBytes(fileBytes, record);
    }
    const std::size_t rowLimit = input.ConsumeIntegralInRange<std::size_t>(0, 20);
    const ScanHead head = ScanBirthdayFileBytes(today, warn, warnDays, fileFound, fileBytes, rowLimit);
    if (head.TotalRows != result.Rows.size() || head.Head.FileFound != fileFound ||
        head.Head.Rows.size() != std::min(rowLimit, result.Rows.size()) ||
        !std::equal(head.Head.Rows.begin(), head.Head.Rows.end(), result.Rows.begin())) {
        Fail();
    }
    if (!fileFound) {
        return 0;
    }

    std::vector<double> days, months, years;
    for (const BirthdayRecord& record : records) {
        days.push_back(NumericValue(record.Day));
        months.push_back(NumericValue(record.Month));
        years.push_back(NumericValue(record.Year));
    }
    std::vector<Expected> expected;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (FallsOn(days[i], months[i], today)) {
            expected.push_back({ReminderKind::Today, i, today.Year});
        }
    }
    if (warn == 1) {
        CalendarDate date = today;
        for (int k = 1; k <= kDayCap && k <= warnDays; ++k) {
            const auto next = NextDay(date.Day, date.Month, date.Year);
            if (!next) {
                break;
            }
            date = *next;
            for (std::size_t i = 0; i < records.size(); ++i) {
                if (FallsOn(days[i], months[i], date)) {
                    expected.push_back({ReminderKind::Upcoming, i, date.Year});
                }
            }
        }
    }

    if (result.Rows.size() != expected.size()) {
        Fail();
    }
    for (std::size_t r = 0; r < expected.size(); ++r) {
        const ReminderRow& row = result.Rows[r];
        const BirthdayRecord& record = records[expected[r].record];
        if (row.Kind != expected[r].kind) {
            Fail();
        }
        const double birthYear = years[expected[r].record];
        const double age = expected[r].year - birthYear;
        const bool wholeAge = age == std::trunc(age) && std::fabs(age) < 1e15;
        std::string ageText;
        if (wholeAge) {
            ageText = std::to_string(static_cast<std::int64_t>(age));
        }
        if (row.Kind == ReminderKind::Today) {
            if (birthYear == 0 ? row.Text != record.Name
                               : wholeAge && row.Text != record.Name + " (" + ageText + ")") {
                Fail();
            }
        } else {
            const std::string date = record.Day + "\\" + record.Month + ")";
            if (birthYear == 0 ? row.Text != record.Name + " (" + date
                               : wholeAge && row.Text != record.Name + " (" + ageText + " - " + date) {
                Fail();
            }
        }
        if (row.Text.compare(0, record.Name.size(), record.Name) != 0) {
            Fail();
        }
    }
    return 0;
}
