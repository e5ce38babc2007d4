// The setup dialog's controls and what it stores, driven from inside its own modal loop.
#include "LaunchOptions.h"
#include "kem/Exception.h"
#include "platform/Dialog.h"

#include <functional>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <string>
#include <vector>

namespace {

struct Controls {
    GtkWindow* window = nullptr;
    GtkComboBox* list = nullptr;
    std::vector<GtkWidget*> widgets;

    GtkWidget* withLabel(const char* text) const {
        for (GtkWidget* widget : widgets) {
            if (GTK_IS_BUTTON(widget) && gtk_button_get_label(GTK_BUTTON(widget)) &&
                std::string(gtk_button_get_label(GTK_BUTTON(widget))) == text)
                return widget;
        }
        return nullptr;
    }
    std::string headingText() const {
        for (GtkWidget* widget : widgets) {
            if (GTK_IS_LABEL(widget) && !GTK_IS_BUTTON(gtk_widget_get_parent(widget)))
                return gtk_label_get_text(GTK_LABEL(widget));
        }
        return "";
    }
};

void collect(GtkWidget* widget, gpointer data) {
    auto& controls = *static_cast<Controls*>(data);
    controls.widgets.push_back(widget);
    if (GTK_IS_COMBO_BOX(widget))
        controls.list = GTK_COMBO_BOX(widget);
    else if (GTK_IS_CONTAINER(widget))
        gtk_container_forall(GTK_CONTAINER(widget), collect, data);
}

// Runs the dialog; once it is on screen, `act` gets its controls and must end it.
bool runDialogWith(platform::SetupChoices& choices, std::function<void(Controls&)> act) {
    struct Job {
        std::function<void(Controls&)> act;
        bool done = false;
    } job{std::move(act)};
    const guint source = g_timeout_add(
        20,
        [](gpointer data) -> gboolean {
            GList* toplevels = gtk_window_list_toplevels();
            Controls controls;
            for (GList* item = toplevels; item; item = item->next) {
                GtkWindow* window = GTK_WINDOW(item->data);
                if (gtk_widget_get_visible(GTK_WIDGET(window)) && gtk_window_get_title(window) &&
                    std::string(gtk_window_get_title(window)) == "Oxbrine setup")
                    controls.window = window;
            }
            g_list_free(toplevels);
            if (!controls.window)
                return G_SOURCE_CONTINUE;
            gtk_container_forall(GTK_CONTAINER(controls.window), collect, &controls);
            static_cast<Job*>(data)->done = true;
            static_cast<Job*>(data)->act(controls);
            return G_SOURCE_REMOVE;
        },
        &job);
    const char* labels[resolutionCount];
    for (int i = 0; i < resolutionCount; ++i)
        labels[i] = resolutions[i].label;
    try {
        const bool accepted = platform::runSetupDialog(labels, resolutionCount, choices);
        EXPECT_TRUE(job.done);
        return accepted;
    } catch (const Kem::Exception& error) {
        if (!job.done)
            g_source_remove(source); // it would outlive the job it points at
        ADD_FAILURE() << error.getMessage().getData();
        return false;
    }
}

void pressKey(GtkWindow* window, guint keyval) {
    GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
    event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(GTK_WIDGET(window))));
    event->key.keyval = keyval;
    event->key.send_event = TRUE;
    gdk_event_set_device(event, gdk_seat_get_keyboard(gdk_display_get_default_seat(
                                    gdk_window_get_display(event->key.window))));
    gtk_main_do_event(event);
    gdk_event_free(event);
}

TEST(SetupDialog, ShowsTheRecordAndTheFixedControls) {
    platform::SetupChoices choices{2, true, true};
    runDialogWith(choices, [](Controls& controls) {
        EXPECT_EQ(controls.headingText(), "\nMORVELIN APP STUDIO\n\nOXBRINE");
        ASSERT_NE(controls.list, nullptr);
        EXPECT_EQ(gtk_combo_box_get_active(controls.list), 2);
        GtkTreeModel* model = gtk_combo_box_get_model(controls.list);
        EXPECT_EQ(gtk_tree_model_iter_n_children(model, nullptr), 3);

        GtkWidget* longboard = controls.withLabel("Longboard");
        GtkWidget* mustache = controls.withLabel("Mustache");
        ASSERT_NE(longboard, nullptr);
        ASSERT_NE(mustache, nullptr);
        EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(longboard)));
        EXPECT_TRUE(gtk_widget_get_sensitive(longboard));
        EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(mustache)));
        EXPECT_FALSE(gtk_widget_get_sensitive(mustache));

        GtkWidget* accept = controls.withLabel("Reruvad Udavu");
        ASSERT_NE(accept, nullptr);
        EXPECT_EQ(gtk_window_get_default_widget(controls.window), accept);
        EXPECT_NE(controls.withLabel("Vizedoda"), nullptr);
        EXPECT_FALSE(gtk_window_get_decorated(controls.window));
        gtk_button_clicked(GTK_BUTTON(controls.withLabel("Vizedoda")));
    });
}

TEST(SetupDialog, AcceptStoresTheControls) {
    platform::SetupChoices choices{1, false, true};
    const bool accepted = runDialogWith(choices, [](Controls& controls) {
        gtk_combo_box_set_active(controls.list, 0);
        gtk_button_clicked(GTK_BUTTON(controls.withLabel("Longboard")));
        gtk_button_clicked(GTK_BUTTON(controls.withLabel("Reruvad Udavu")));
    });
    EXPECT_TRUE(accepted);
    EXPECT_EQ(choices.resolution, 0);
    EXPECT_TRUE(choices.fullscreen);
    EXPECT_TRUE(choices.mustache);
}

TEST(SetupDialog, EnterAcceptsUnlessTheCancelButtonHasTheFocus) {
    platform::SetupChoices choices{1, false, true};
    EXPECT_TRUE(runDialogWith(choices, [](Controls& controls) {
        gtk_combo_box_set_active(controls.list, 2);
        pressKey(controls.window, GDK_KEY_Return);
    }));
    EXPECT_EQ(choices.resolution, 2);

    EXPECT_FALSE(runDialogWith(choices, [](Controls& controls) {
        gtk_combo_box_set_active(controls.list, 0);
        gtk_widget_grab_focus(controls.withLabel("Vizedoda"));
        pressKey(controls.window, GDK_KEY_Return);
    }));
    EXPECT_EQ(choices.resolution, 2);
}

TEST(SetupDialog, EscapeCancelButtonAndClosingStoreNothing) {
    const std::function<void(Controls&)> endings[] = {
        [](Controls& controls) { pressKey(controls.window, GDK_KEY_Escape); },
        [](Controls& controls) { gtk_button_clicked(GTK_BUTTON(controls.withLabel("Vizedoda"))); },
        [](Controls& controls) {
            GdkEvent* event = gdk_event_new(GDK_DELETE);
            event->any.window =
                GDK_WINDOW(g_object_ref(gtk_widget_get_window(GTK_WIDGET(controls.window))));
            gtk_main_do_event(event);
            gdk_event_free(event);
        },
    };
    for (const auto& ending : endings) {
        platform::SetupChoices choices{1, false, true};
        const bool accepted = runDialogWith(choices, [&ending](Controls& controls) {
            gtk_combo_box_set_active(controls.list, 2);
            gtk_button_clicked(GTK_BUTTON(controls.withLabel("Longboard")));
            ending(controls);
        });
        EXPECT_FALSE(accepted);
        EXPECT_EQ(choices.resolution, 1);
        EXPECT_FALSE(choices.fullscreen);
    }
}

} // namespace
