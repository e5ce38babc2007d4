// The fatal-error box: its caption, icon and the message text alone, checked from inside its
// modal loop; and the same text on standard error.
#include "platform/MessageBox.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <string>

namespace {

struct Seen {
    bool found = false;
    std::string caption;
    std::string text;
    std::string iconName;
};

void inspect(GtkWidget* widget, gpointer data) {
    auto& seen = *static_cast<Seen*>(data);
    if (GTK_IS_IMAGE(widget)) {
        const gchar* name = nullptr;
        gtk_image_get_icon_name(GTK_IMAGE(widget), &name, nullptr);
        if (name)
            seen.iconName = name;
    } else if (GTK_IS_LABEL(widget) && !GTK_IS_BUTTON(gtk_widget_get_parent(widget))) {
        seen.text = gtk_label_get_text(GTK_LABEL(widget));
    } else if (GTK_IS_CONTAINER(widget)) {
        gtk_container_forall(GTK_CONTAINER(widget), inspect, data);
    }
}

// Shows the box and, once it is on screen, records what it shows and presses OK.
Seen showAndDismiss(const char* message) {
    Seen seen;
    const guint source = g_timeout_add(
        20,
        [](gpointer data) -> gboolean {
            auto& seen = *static_cast<Seen*>(data);
            GList* toplevels = gtk_window_list_toplevels();
            GtkWindow* box = nullptr;
            for (GList* item = toplevels; item; item = item->next) {
                if (GTK_IS_DIALOG(item->data) && gtk_widget_get_visible(GTK_WIDGET(item->data)))
                    box = GTK_WINDOW(item->data);
            }
            g_list_free(toplevels);
            if (!box)
                return G_SOURCE_CONTINUE;
            seen.found = true;
            seen.caption = gtk_window_get_title(box) ? gtk_window_get_title(box) : "";
            inspect(gtk_dialog_get_content_area(GTK_DIALOG(box)), &seen);
            gtk_dialog_response(GTK_DIALOG(box), GTK_RESPONSE_OK);
            return G_SOURCE_REMOVE;
        },
        &seen);
    platform::showFatalError(message);
    if (!seen.found)
        g_source_remove(source); // it would outlive what it points at
    return seen;
}

TEST(FatalErrorBox, ShowsTheMessageAloneUnderItsCaption) {
    testing::internal::CaptureStderr();
    const Seen seen = showAndDismiss("Could not open input file: \"Data/x.vert\"");
    const std::string printed = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.caption, "Fatal Error");
    EXPECT_EQ(seen.text, "Could not open input file: \"Data/x.vert\"");
    EXPECT_EQ(seen.iconName, "dialog-error");
    EXPECT_NE(printed.find("Could not open input file: \"Data/x.vert\""), std::string::npos);
}

TEST(FatalErrorBox, NullMessageShowsEmptyText) {
    const Seen seen = showAndDismiss(nullptr);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.text, "");
}

} // namespace
