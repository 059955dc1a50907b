// Payloads of the feedback callbacks: the exact text of each, and numbers
// that keep a full stop under a locale whose decimal separator is a comma.
#include "feedback/feedback.h"
#include "../ui_fixture.h"

#include <clocale>
#include <cstdlib>
#include <functional>

namespace {

const char widgets_ui[] = R"(
  <object class="GtkAdjustment" id="adj"><property name="upper">10</property>
    <property name="step-increment">0.5</property><property name="value">2.5</property></object>
  <object class="GtkAdjustment" id="adj2"><property name="upper">1</property>
    <property name="value">0.25</property></object>
  <object class="GtkSpinButton" id="sp"><property name="adjustment">adj</property>
    <property name="digits">1</property></object>
  <object class="GtkScale" id="sc"><property name="adjustment">adj2</property></object>
  <object class="GtkEventBox" id="eb"/>
  <object class="GtkCalendar" id="cal"><property name="year">2024</property>
    <property name="month">2</property><property name="day">1</property></object>
  <object class="GtkCalendar" id="cal2"><property name="year">987</property>
    <property name="month">11</property><property name="day">31</property></object>
  <object class="GtkColorButton" id="color"><property name="rgba">rgb(255,0,0)</property></object>
  <object class="GtkFontButton" id="font"><property name="font">Sans 12</property></object>
  <object class="GtkSwitch" id="sw"><property name="active">1</property></object>
  <object class="GtkToggleButton" id="tb"/>
  <object class="GtkMenuItem" id="mi"><property name="label">Open</property></object>
  <object class="GtkSeparatorMenuItem" id="sep"/>
  <object class="GtkEntry" id="e"><property name="text">a\b</property></object>
  <object class="GtkWindow" id="w"/>)";

GdkEventButton button_event(guint button, double x, double y)
{
    GdkEventButton event = {};
    event.type = GDK_BUTTON_PRESS;
    event.button = button;
    event.x = x;
    event.y = y;
    return event;
}

GdkEventMotion motion_event(double x, double y)
{
    GdkEventMotion event = {};
    event.type = GDK_MOTION_NOTIFY;
    event.x = x;
    event.y = y;
    return event;
}

GdkEventKey key_event(guint keyval)
{
    GdkEventKey event = {};
    event.type = GDK_KEY_PRESS;
    event.keyval = keyval;
    return event;
}

struct callback_case {
    const char *what;
    const char *tag;  // the tag the wiring gives the record
    std::function<void(ui_fixture &, feedback_link *)> call;
    const char *line;
};

std::ostream &operator<<(std::ostream &os, const callback_case &c)
{
    return os << c.what;
}

std::string test_name(const testing::TestParamInfo<callback_case> &info)
{
    std::string name = info.param.what;
    for (char &c : name)
        if (!isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

const callback_case numeric_cases[] = {
    {"spin value", "text",
     [](ui_fixture &f, feedback_link *ar) { send_spin_value(GTK_SPIN_BUTTON(f.obj("sp")), ar); },
     "sp:text 2.500000\n"},
    {"scale value", "value",
     [](ui_fixture &f, feedback_link *ar) { send_range_value(GTK_RANGE(f.obj("sc")), ar); },
     "sc:value 0.250000\n"},
    {"button press", "button_press",
     [](ui_fixture &f, feedback_link *ar) {
         GdkEventButton event = button_event(1, 10, 20.5);
         EXPECT_TRUE(send_button_event(GTK_WIDGET(f.obj("eb")), &event, ar));
     },
     "eb:button_press 1 10.0 20.5\n"},
    {"pointer motion", "motion",
     [](ui_fixture &f, feedback_link *ar) {
         GdkEventMotion event = motion_event(3.25, 4);
         EXPECT_TRUE(send_motion_event(GTK_WIDGET(f.obj("eb")), &event, ar));
     },
     "eb:motion 3.2 4.0\n"},
};

const callback_case payload_cases[] = {
    {"calendar month counted from one", "clicked",
     [](ui_fixture &f, feedback_link *ar) { send_calendar_date(GTK_CALENDAR(f.obj("cal")), ar); },
     "cal:clicked 2024-03-01\n"},
    {"calendar year padded to four digits", "doubleclicked",
     [](ui_fixture &f, feedback_link *ar) { send_calendar_date(GTK_CALENDAR(f.obj("cal2")), ar); },
     "cal2:doubleclicked 0987-12-31\n"},
    {"colour as rgb text", "color",
     [](ui_fixture &f, feedback_link *ar) { send_color(GTK_COLOR_BUTTON(f.obj("color")), ar); },
     "color:color rgb(255,0,0)\n"},
    {"font name", "font",
     [](ui_fixture &f, feedback_link *ar) { send_font_name(GTK_FONT_BUTTON(f.obj("font")), ar); },
     "font:font Sans 12\n"},
    {"switch state is the tag", "",
     [](ui_fixture &f, feedback_link *ar) { send_switch_state(f.obj("sw"), nullptr, ar); }, "sw:1 \n"},
    {"toggle state is the tag", "",
     [](ui_fixture &f, feedback_link *ar) { send_toggle_state(GTK_TOGGLE_BUTTON(f.obj("tb")), ar); },
     "tb:0 \n"},
    {"menu item label", "active",
     [](ui_fixture &f, feedback_link *ar) { send_menu_item_label(GTK_MENU_ITEM(f.obj("mi")), ar); },
     "mi:active Open\n"},
    {"menu item without label", "active",
     [](ui_fixture &f, feedback_link *ar) { send_menu_item_label(GTK_MENU_ITEM(f.obj("sep")), ar); },
     "sep:active \n"},
    {"entry text escaped", "text",
     [](ui_fixture &f, feedback_link *ar) { send_entry_text(GTK_ENTRY(f.obj("e")), ar); },
     "e:text a\\\\b\n"},
    {"key name", "key_press",
     [](ui_fixture &f, feedback_link *ar) {
         GdkEventKey event = key_event(GDK_KEY_Return);
         EXPECT_TRUE(send_key_name(GTK_WIDGET(f.obj("eb")), &event, ar));
     },
     "eb:key_press Return\n"},
    {"key without a name", "key_press",
     [](ui_fixture &f, feedback_link *ar) {
         GdkEventKey event = key_event(0);
         EXPECT_TRUE(send_key_name(GTK_WIDGET(f.obj("eb")), &event, ar));
     },
     "eb:key_press \n"},
    {"window closed lets the next handler run", "closed",
     [](ui_fixture &f, feedback_link *ar) {
         EXPECT_FALSE(send_window_closed(GTK_WIDGET(f.obj("w")), nullptr, ar));
     },
     "w:closed \n"},
    {"tag only", "plug-removed",
     [](ui_fixture &f, feedback_link *ar) { EXPECT_TRUE(send_tag_only(f.obj("w"), ar)); },
     "w:plug-removed \n"},
};

class CallbackPayload : public testing::TestWithParam<callback_case> {};

TEST_P(CallbackPayload, WritesTheLine)
{
    ui_fixture f(widgets_ui);
    feedback_link ar = {.out = f.reader.out, .tag = GetParam().tag};
    GetParam().call(f, &ar);
    EXPECT_EQ(f.feedback(), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(Numbers, CallbackPayload, testing::ValuesIn(numeric_cases), test_name);
INSTANTIATE_TEST_SUITE_P(Texts, CallbackPayload, testing::ValuesIn(payload_cases), test_name);

// The same numbers under a locale with a decimal comma: still a full stop,
// and the user's locale is back afterwards.
class DecimalComma : public testing::TestWithParam<callback_case> {
protected:
    static constexpr const char *comma_locale = "de_DE.UTF-8";

    void SetUp() override
    {
        if (setlocale(LC_NUMERIC, comma_locale) == nullptr &&
            system("localedef -i de_DE -f UTF-8 de_DE.UTF-8 >/dev/null 2>&1") == 0)
            setlocale(LC_NUMERIC, comma_locale);
        if (setlocale(LC_NUMERIC, nullptr) != std::string(comma_locale))
            GTEST_SKIP() << "no locale with a decimal comma could be made";
        ASSERT_STREQ(localeconv()->decimal_point, ",");
    }
    void TearDown() override { setlocale(LC_NUMERIC, "C"); }
};

TEST_P(DecimalComma, KeepsTheFullStop)
{
    ui_fixture f(widgets_ui);
    feedback_link ar = {.out = f.reader.out, .tag = GetParam().tag};
    GetParam().call(f, &ar);
    EXPECT_EQ(f.feedback(), GetParam().line);
    EXPECT_EQ(setlocale(LC_NUMERIC, nullptr), std::string(comma_locale));
}

INSTANTIATE_TEST_SUITE_P(Numbers, DecimalComma, testing::ValuesIn(numeric_cases), test_name);

// The buffer callbacks read the text view's buffer, not the button.
TEST(BufferCallbacks, SendTheWholeTextOrTheSelection)
{
    ui_fixture f(R"(<object class="GtkTextBuffer" id="buf"><property name="text">one
two\</property></object><object class="GtkButton" id="b"/>)");
    GtkTextBuffer *buffer = GTK_TEXT_BUFFER(f.obj("buf"));
    object_link ar = {.out = f.reader.out, .obj = G_OBJECT(buffer)};
    send_buffer_selection(GTK_BUTTON(f.obj("b")), &ar);
    send_buffer_text(GTK_BUTTON(f.obj("b")), &ar);
    GtkTextIter start, end;
    gtk_text_buffer_get_iter_at_offset(buffer, &start, 2);
    gtk_text_buffer_get_iter_at_offset(buffer, &end, 5);
    gtk_text_buffer_select_range(buffer, &start, &end);
    send_buffer_selection(GTK_BUTTON(f.obj("b")), &ar);
    EXPECT_EQ(f.feedback(), "b:text \nb:text one\\ntwo\\\\\nb:text e\\nt\n");
}

}  // namespace
