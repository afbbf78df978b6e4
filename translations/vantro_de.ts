<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="en">
<context>
    <name>AITab</name>
    <message>
        <source>Model</source>
        <translation>Modell</translation>
    </message>
    <message>
        <source>Refresh Models</source>
        <translation>Modelle aktualisieren</translation>
    </message>
    <message>
        <source>Images</source>
        <translation>Bilder</translation>
    </message>
    <message>
        <source>Ask the server</source>
        <translation>Server fragen</translation>
    </message>
    <message>
        <source>The model takes images</source>
        <translation>Das Modell verarbeitet Bilder</translation>
    </message>
    <message>
        <source>The model does not take images</source>
        <translation>Das Modell verarbeitet keine Bilder</translation>
    </message>
    <message>
        <source>Whether screenshots can go to the model. Say it here when the server cannot tell.</source>
        <translation>Ob Bildschirmfotos an das Modell geschickt werden können. Legen Sie es hier fest, wenn der Server es nicht mitteilt.</translation>
    </message>
    <message>
        <source>Endpoint</source>
        <translation>Endpunkt</translation>
    </message>
    <message>
        <source>Any OpenAI-compatible server works; “/v1/chat/completions” is appended. For a local server enter its address, e.g. http://localhost:11434 (Ollama) or http://localhost:8080 (llama.cpp), or let Vantro find it:</source>
        <translation>Jeder OpenAI-kompatible Server funktioniert; „/v1/chat/completions“ wird angehängt. Geben Sie für einen lokalen Server dessen Adresse ein, z. B. http://localhost:11434 (Ollama) oder http://localhost:8080 (llama.cpp), oder lassen Sie Vantro ihn suchen:</translation>
    </message>
    <message>
        <source>OpenAI API Key</source>
        <translation>OpenAI-API-Schlüssel</translation>
    </message>
    <message>
        <source>Personality</source>
        <translation>Persönlichkeit</translation>
    </message>
    <message>
        <source>Defines how the AI responds — tone, style, and behavior.</source>
        <translation>Legt fest, wie die KI antwortet – Ton, Stil und Verhalten.</translation>
    </message>
    <message>
        <source>Reset to Default</source>
        <translation>Auf Standard zurücksetzen</translation>
    </message>
    <message>
        <source>Auto Memory</source>
        <translation>Automatische Erinnerungen</translation>
    </message>
    <message>
        <source>Automatically learn from conversations</source>
        <translation>Automatisch aus Unterhaltungen lernen</translation>
    </message>
    <message>
        <source>After each response, the AI extracts durable facts about you and the project. Uses a small background API call.</source>
        <translation>Nach jeder Antwort ermittelt die KI dauerhafte Fakten über Sie und das Projekt. Dafür wird im Hintergrund eine kleine API-Anfrage gestellt.</translation>
    </message>
    <message>
        <source>Model for remembering facts</source>
        <translation>Modell zum Merken von Fakten</translation>
    </message>
    <message>
        <source>Leave empty for the model shown; a small, fast one is enough.</source>
        <translation>Leer lassen, um das angezeigte Modell zu verwenden; ein kleines, schnelles Modell genügt.</translation>
    </message>
    <message>
        <source>User Memory</source>
        <translation>Erinnerungen an Sie</translation>
    </message>
    <message>
        <source>Facts the AI remembers about you across all projects.</source>
        <translation>Fakten, die sich die KI projektübergreifend über Sie merkt.</translation>
    </message>
    <message>
        <source>Clear User Memory</source>
        <translation>Erinnerungen an Sie löschen</translation>
    </message>
    <message>
        <source>Project Memory</source>
        <translation>Projekterinnerungen</translation>
    </message>
    <message>
        <source>Project</source>
        <translation>Projekt</translation>
    </message>
    <message>
        <source>Facts the AI remembers about this project.</source>
        <translation>Fakten, die sich die KI über dieses Projekt merkt.</translation>
    </message>
    <message>
        <source>Clear Project Memory</source>
        <translation>Projekterinnerungen löschen</translation>
    </message>
    <message>
        <source>Asking the server for its models…</source>
        <translation>Modelle werden beim Server abgefragt…</translation>
    </message>
    <message>
        <source>API Key</source>
        <translation>API-Schlüssel</translation>
    </message>
    <message>
        <source>Optional</source>
        <translation>Optional</translation>
    </message>
    <message>
        <source>Get a key at &lt;a style=&quot;color: %1&quot; href=&quot;https://platform.openai.com/api-keys&quot;&gt;platform.openai.com/api-keys&lt;/a&gt;.</source>
        <translation>Einen Schlüssel erhalten Sie unter &lt;a style=&quot;color: %1&quot; href=&quot;https://platform.openai.com/api-keys&quot;&gt;platform.openai.com/api-keys&lt;/a&gt;.</translation>
    </message>
    <message>
        <source>Leave empty for a local server that needs no key.</source>
        <translation>Leer lassen für einen lokalen Server, der keinen Schlüssel braucht.</translation>
    </message>
    <message>
        <source>Input: %1</source>
        <translation>Eingabe: %1</translation>
    </message>
    <message>
        <source>Output: %1</source>
        <translation>Ausgabe: %1</translation>
    </message>
    <message>
        <source>Sent to the endpoint as typed. Prices depend on your provider.</source>
        <translation>Wird unverändert an den Endpunkt gesendet. Die Preise hängen von Ihrem Anbieter ab.</translation>
    </message>
    <message>
        <source>No memories yet. The AI will learn as you chat.</source>
        <translation>Noch keine Erinnerungen. Die KI lernt, während Sie chatten.</translation>
    </message>
    <message>
        <source>No project memories yet.</source>
        <translation>Noch keine Projekterinnerungen.</translation>
    </message>
    <message>
        <source>Fast and affordable. Great for most tasks.</source>
        <translation>Schnell und günstig. Ideal für die meisten Aufgaben.</translation>
    </message>
    <message>
        <source>High quality. Better for complex tasks. Supports images.</source>
        <translation>Hohe Qualität. Besser für komplexe Aufgaben. Unterstützt Bilder.</translation>
    </message>
    <message>
        <source>Premium. Best quality for demanding tasks. Supports images.</source>
        <translation>Premium. Beste Qualität für anspruchsvolle Aufgaben. Unterstützt Bilder.</translation>
    </message>
    <message>
        <source>API key</source>
        <translation>API-Schlüssel</translation>
    </message>
</context>
<context>
    <name>AboutDialog</name>
    <message>
        <source>About Vantro</source>
        <translation>Über Vantro</translation>
    </message>
    <message>
        <source>Version %1 (%2)</source>
        <translation>Version %1 (%2)</translation>
    </message>
    <message>
        <source>AI-powered clipboard actions at your fingertips.</source>
        <translation>KI-Aktionen für Ihre Zwischenablage – jederzeit griffbereit.</translation>
    </message>
</context>
<context>
    <name>AnswerDocument</name>
    <message>
        <source>Image</source>
        <translation>Bild</translation>
    </message>
</context>
<context>
    <name>AppDelegate</name>
    <message>
        <source>Chat History Not Saved</source>
        <translation>Chatverlauf nicht gespeichert</translation>
    </message>
    <message>
        <source>Vantro could not write your chat history (%1). The previous copy on disk is unchanged; Vantro tries again, and the chats stay open until you quit.</source>
        <translation>Vantro konnte Ihren Chatverlauf nicht speichern (%1). Die bisherige Kopie auf dem Datenträger bleibt unverändert; Vantro versucht es erneut, und die Chats bleiben bis zum Beenden geöffnet.</translation>
    </message>
    <message>
        <source>Key Detection Unavailable</source>
        <translation>Tastenerkennung nicht verfügbar</translation>
    </message>
    <message>
        <source>Double Ctrl+C does nothing until this is solved. Choose Try Again once it is, or change the hotkey in Preferences.</source>
        <translation>Doppeltes Strg+C bewirkt nichts, bis das Problem behoben ist. Wählen Sie dann „Erneut versuchen“ oder ändern Sie das Tastenkürzel in den Einstellungen.</translation>
    </message>
    <message>
        <source>Keyboard Freed</source>
        <translation>Tastatur freigegeben</translation>
    </message>
    <message>
        <source>Vantro held the keyboard too long while deciding about a Ctrl+C and let it go. Key detection starts again by itself; if Ctrl+C misbehaves, choose Try Again.</source>
        <translation>Vantro hat die Tastatur beim Auswerten von Strg+C zu lange festgehalten und sie wieder freigegeben. Die Tastenerkennung startet von selbst neu; falls sich Strg+C seltsam verhält, wählen Sie „Erneut versuchen“.</translation>
    </message>
    <message>
        <source>Shortcut Unavailable</source>
        <translation>Tastenkürzel nicht verfügbar</translation>
    </message>
    <message>
        <source>Vantro could not take your shortcut: another program may already use it, or the desktop does not allow it. Choose another one in Preferences.</source>
        <translation>Vantro konnte Ihr Tastenkürzel nicht übernehmen: Vielleicht verwendet es bereits ein anderes Programm, oder die Arbeitsumgebung erlaubt es nicht. Wählen Sie in den Einstellungen ein anderes.</translation>
    </message>
    <message>
        <source>Try Again</source>
        <translation>Erneut versuchen</translation>
    </message>
    <message>
        <source>Open Preferences</source>
        <translation>Einstellungen öffnen</translation>
    </message>
    <message>
        <source>About Vantro</source>
        <translation>Über Vantro</translation>
    </message>
    <message>
        <source>Open Chat…</source>
        <translation>Chat öffnen…</translation>
    </message>
    <message>
        <source>Preferences…</source>
        <translation>Einstellungen…</translation>
    </message>
    <message>
        <source>Check for Updates…</source>
        <translation>Nach Aktualisierungen suchen…</translation>
    </message>
    <message>
        <source>Quit Vantro</source>
        <translation>Vantro beenden</translation>
    </message>
    <message>
        <source>Show Onboarding…</source>
        <translation>Einführung anzeigen…</translation>
    </message>
    <message>
        <source>Welcome to Vantro</source>
        <translation>Willkommen bei Vantro</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>no keys set</source>
        <translation>keine Tasten festgelegt</translation>
    </message>
    <message>
        <source>Keyboard Shortcuts</source>
        <translation>Tastaturkürzel</translation>
    </message>
</context>
<context>
    <name>AppState</name>
    <message>
        <source>New Chat</source>
        <translation>Neuer Chat</translation>
    </message>
</context>
<context>
    <name>AppearanceTab</name>
    <message>
        <source>Appearance</source>
        <translation>Darstellung</translation>
    </message>
    <message>
        <source>System</source>
        <translation>System</translation>
    </message>
    <message>
        <source>Light</source>
        <translation>Hell</translation>
    </message>
    <message>
        <source>Dark</source>
        <translation>Dunkel</translation>
    </message>
    <message>
        <source>Automatically switches with system appearance</source>
        <translation>Wechselt automatisch mit der Systemdarstellung</translation>
    </message>
    <message>
        <source>Changes the appearance of the Vantro panel and application icon. System follows your desktop&apos;s appearance settings.</source>
        <translation>Ändert die Darstellung des Vantro-Panels und des Programmsymbols. „System“ folgt den Darstellungseinstellungen Ihrer Arbeitsumgebung.</translation>
    </message>
    <message>
        <source>Theme</source>
        <translation>Design</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
</context>
<context>
    <name>AtomicFile</name>
    <message>
        <source>the disk is read-only</source>
        <translation>der Datenträger ist schreibgeschützt</translation>
    </message>
    <message>
        <source>no space left on the disk</source>
        <translation>kein Speicherplatz mehr auf dem Datenträger</translation>
    </message>
    <message>
        <source>the file could not be written whole (%1)</source>
        <translation>die Datei konnte nicht vollständig geschrieben werden (%1)</translation>
    </message>
    <message>
        <source>writing failed: %1</source>
        <translation>Schreiben fehlgeschlagen: %1</translation>
    </message>
</context>
<context>
    <name>Autostart</name>
    <message>
        <source>Could not remove %1.</source>
        <translation>%1 konnte nicht entfernt werden.</translation>
    </message>
    <message>
        <source>Could not create the folder of %1.</source>
        <translation>Der Ordner für %1 konnte nicht angelegt werden.</translation>
    </message>
    <message>
        <source>Could not write %1: %2</source>
        <translation>%1 konnte nicht geschrieben werden: %2</translation>
    </message>
</context>
<context>
    <name>ChatEventParser</name>
    <message>
        <source>The server reported an error.</source>
        <translation>Der Server hat einen Fehler gemeldet.</translation>
    </message>
</context>
<context>
    <name>ChatInputEdit</name>
    <message>
        <source>Ask anything...</source>
        <translation>Stellen Sie eine Frage…</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Nachricht</translation>
    </message>
</context>
<context>
    <name>ChatStream</name>
    <message>
        <source>The server sent more than %1 without ending its answer; it was cut off there.</source>
        <translation>Der Server hat mehr als %1 gesendet, ohne seine Antwort abzuschließen; sie wurde an dieser Stelle abgeschnitten.</translation>
    </message>
</context>
<context>
    <name>ChatTurnRunner</name>
    <message>
        <source>Error: %1</source>
        <translation>Fehler: %1</translation>
    </message>
</context>
<context>
    <name>ChatView</name>
    <message>
        <source>No chat selected</source>
        <translation>Kein Chat ausgewählt</translation>
    </message>
    <message>
        <source>Start a new chat</source>
        <translation>Neuen Chat beginnen</translation>
    </message>
    <message>
        <source>Your chats are not being saved: %1. Vantro keeps trying; until it succeeds, new messages are lost when you quit.</source>
        <translation>Ihre Chats werden nicht gespeichert: %1. Vantro versucht es weiter; bis dahin gehen neue Nachrichten beim Beenden verloren.</translation>
    </message>
    <message>
        <source>Image attached</source>
        <translation>Bild angehängt</translation>
    </message>
    <message>
        <source>Remove image</source>
        <translation>Bild entfernen</translation>
    </message>
    <message>
        <source>Send message (Enter)</source>
        <translation>Nachricht senden (Eingabe)</translation>
    </message>
    <message>
        <source>Switch project (Tab)</source>
        <translation>Projekt wechseln (Tab)</translation>
    </message>
    <message>
        <source>Apply %1 to your message</source>
        <translation>%1 auf Ihre Nachricht anwenden</translation>
    </message>
    <message>
        <source>Chat messages</source>
        <translation>Chatnachrichten</translation>
    </message>
</context>
<context>
    <name>CopyMessageButton</name>
    <message>
        <source>Copy message (Ctrl+C)</source>
        <translation>Nachricht kopieren (Strg+C)</translation>
    </message>
    <message>
        <source>Copy message</source>
        <translation>Nachricht kopieren</translation>
    </message>
</context>
<context>
    <name>FloatingPanelView</name>
    <message>
        <source>Close (Esc)</source>
        <translation>Schließen (Esc)</translation>
    </message>
    <message>
        <source>Expand</source>
        <translation>Erweitern</translation>
    </message>
    <message>
        <source>Prompts</source>
        <translation>Prompts</translation>
    </message>
    <message>
        <source>Preferences</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Chats</source>
        <translation>Chats</translation>
    </message>
    <message>
        <source>Collapse</source>
        <translation>Verkleinern</translation>
    </message>
</context>
<context>
    <name>GlobalHotkeyPortal</name>
    <message>
        <source>Prompt on the copied text</source>
        <translation>Prompt für den kopierten Text</translation>
    </message>
    <message>
        <source>Prompt on a screenshot</source>
        <translation>Prompt für ein Bildschirmfoto</translation>
    </message>
    <message>
        <source>There is no session bus to ask the desktop for shortcuts.</source>
        <translation>Es gibt keinen Sitzungsbus, über den die Arbeitsumgebung nach Tastenkürzeln gefragt werden kann.</translation>
    </message>
    <message>
        <source>Your desktop has no global shortcuts service.</source>
        <translation>Ihre Arbeitsumgebung bietet keinen Dienst für globale Tastenkürzel.</translation>
    </message>
    <message>
        <source>The desktop did not answer when Vantro asked for its shortcuts.</source>
        <translation>Die Arbeitsumgebung hat nicht geantwortet, als Vantro seine Tastenkürzel angefordert hat.</translation>
    </message>
    <message>
        <source>The desktop refused Vantro&apos;s shortcuts.</source>
        <translation>Die Arbeitsumgebung hat die Tastenkürzel von Vantro abgelehnt.</translation>
    </message>
    <message>
        <source>Vantro&apos;s shortcuts were declined in the desktop&apos;s dialog.</source>
        <translation>Die Tastenkürzel von Vantro wurden im Dialog der Arbeitsumgebung abgelehnt.</translation>
    </message>
</context>
<context>
    <name>HotkeyRecorderView</name>
    <message>
        <source>Press keys…</source>
        <translation>Tasten drücken…</translation>
    </message>
    <message>
        <source>That key cannot be used for a shortcut.</source>
        <translation>Diese Taste kann nicht für ein Tastenkürzel verwendet werden.</translation>
    </message>
    <message>
        <source>The A key cannot be used for a shortcut; choose another key.</source>
        <translation>Die Taste A kann nicht für ein Tastenkürzel verwendet werden; wählen Sie eine andere Taste.</translation>
    </message>
</context>
<context>
    <name>HotkeyTab</name>
    <message>
        <source>Not set</source>
        <translation>Nicht festgelegt</translation>
    </message>
    <message>
        <source>Trigger Method</source>
        <translation>Auslöser</translation>
    </message>
    <message>
        <source>Ctrl+C, C (double copy)</source>
        <translation>Strg+C, C (Doppelkopieren)</translation>
    </message>
    <message>
        <source>Press Ctrl+C twice quickly to open the Vantro panel. Requires global key detection (below).</source>
        <translation>Drücken Sie zweimal schnell Strg+C, um das Vantro-Panel zu öffnen. Erfordert die globale Tastenerkennung (siehe unten).</translation>
    </message>
    <message>
        <source>Custom Global Hotkey</source>
        <translation>Eigenes globales Tastenkürzel</translation>
    </message>
    <message>
        <source>Set a custom keyboard shortcut as an alternative trigger. Works alongside double-copy if both are enabled.</source>
        <translation>Legen Sie ein eigenes Tastenkürzel als zusätzlichen Auslöser fest. Funktioniert neben dem Doppelkopieren, wenn beides aktiviert ist.</translation>
    </message>
    <message>
        <source>Shortcut:</source>
        <translation>Tastenkürzel:</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Desktop Shortcuts</source>
        <translation>Tastenkürzel der Arbeitsumgebung</translation>
    </message>
    <message>
        <source>Change…</source>
        <translation>Ändern…</translation>
    </message>
    <message>
        <source>Choose the keys in your desktop&apos;s shortcut settings</source>
        <translation>Wählen Sie die Tasten in den Tastenkürzel-Einstellungen Ihrer Arbeitsumgebung</translation>
    </message>
    <message>
        <source>Use selected text without copying</source>
        <translation>Markierten Text ohne Kopieren verwenden</translation>
    </message>
    <message>
        <source>The shortcut opens the panel on the text you selected, or on the clipboard when nothing is selected. Double copy always uses what you copied.</source>
        <translation>Das Tastenkürzel öffnet das Panel mit dem markierten Text oder, wenn nichts markiert ist, mit der Zwischenablage. Doppelkopieren verwendet immer das Kopierte.</translation>
    </message>
    <message>
        <source>Restore the clipboard after Replace</source>
        <translation>Zwischenablage nach dem Ersetzen wiederherstellen</translation>
    </message>
    <message>
        <source>Replace (Ctrl+Return) pastes the answer where the copied text came from. With this on, the clipboard then gets back what it held before.</source>
        <translation>„Ersetzen“ (Strg+Eingabe) fügt die Antwort dort ein, wo der kopierte Text herkam. Ist diese Option aktiv, erhält die Zwischenablage danach ihren vorherigen Inhalt zurück.</translation>
    </message>
    <message>
        <source>Key Detection</source>
        <translation>Tastenerkennung</translation>
    </message>
    <message>
        <source>Vantro needs global key detection to notice shortcuts while other programs are in front.</source>
        <translation>Vantro benötigt die globale Tastenerkennung, um Tastenkürzel zu bemerken, während andere Programme im Vordergrund sind.</translation>
    </message>
    <message>
        <source>Check Key Detection</source>
        <translation>Tastenerkennung prüfen</translation>
    </message>
    <message>
        <source>Try to start global key detection again</source>
        <translation>Versuchen, die globale Tastenerkennung erneut zu starten</translation>
    </message>
    <message>
        <source>Startup</source>
        <translation>Autostart</translation>
    </message>
    <message>
        <source>Start Vantro when I log in</source>
        <translation>Vantro bei der Anmeldung starten</translation>
    </message>
    <message>
        <source>Hold Ctrl, Shift, Alt or Super and press a key. Click the button again to stop.</source>
        <translation>Halten Sie Strg, Umschalt, Alt oder Super gedrückt und drücken Sie eine Taste. Klicken Sie erneut auf die Schaltfläche, um die Aufnahme zu beenden.</translation>
    </message>
    <message>
        <source>Vantro could not take this shortcut: another program may already use it, or the desktop does not allow it. Choose another one.</source>
        <translation>Vantro konnte dieses Tastenkürzel nicht übernehmen: Vielleicht verwendet es bereits ein anderes Programm, oder die Arbeitsumgebung erlaubt es nicht. Wählen Sie ein anderes.</translation>
    </message>
    <message>
        <source>Global key detection is not running in this process.</source>
        <translation>Die globale Tastenerkennung läuft in diesem Prozess nicht.</translation>
    </message>
    <message>
        <source>Global key detection is working.</source>
        <translation>Die globale Tastenerkennung funktioniert.</translation>
    </message>
    <message>
        <source>Global key detection is not available.</source>
        <translation>Die globale Tastenerkennung ist nicht verfügbar.</translation>
    </message>
    <message>
        <source>Bind “vantro --trigger” and “vantro --screenshot” to shortcuts in your desktop&apos;s keyboard settings instead.</source>
        <translation>Legen Sie stattdessen in den Tastatureinstellungen Ihrer Arbeitsumgebung Tastenkürzel für „vantro --trigger“ und „vantro --screenshot“ fest.</translation>
    </message>
    <message>
        <source>Asking the desktop for Vantro&apos;s shortcuts…</source>
        <translation>Tastenkürzel von Vantro werden bei der Arbeitsumgebung abgefragt…</translation>
    </message>
    <message>
        <source>Your desktop delivers these shortcuts to Vantro:</source>
        <translation>Ihre Arbeitsumgebung leitet diese Tastenkürzel an Vantro weiter:</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>no keys set</source>
        <translation>keine Tasten festgelegt</translation>
    </message>
</context>
<context>
    <name>KeyCap</name>
    <message>
        <source>%1, pressed</source>
        <translation>%1, gedrückt</translation>
    </message>
</context>
<context>
    <name>KeyMonitor</name>
    <message>
        <source>Global key detection needs an X11 session.</source>
        <translation>Die globale Tastenerkennung erfordert eine X11-Sitzung.</translation>
    </message>
    <message>
        <source>Global key detection is turned off (VANTRO_KEY_BACKEND).</source>
        <translation>Die globale Tastenerkennung ist ausgeschaltet (VANTRO_KEY_BACKEND).</translation>
    </message>
    <message>
        <source>Vantro does not watch keys: the desktop delivers its shortcuts (VANTRO_KEY_BACKEND).</source>
        <translation>Vantro überwacht keine Tasten: Die Arbeitsumgebung leitet die Tastenkürzel weiter (VANTRO_KEY_BACKEND).</translation>
    </message>
    <message>
        <source>Wayland lets no program watch keys globally. Bind “vantro --trigger” and “vantro --screenshot” to shortcuts in your desktop&apos;s keyboard settings.</source>
        <translation>Unter Wayland darf kein Programm Tasten global überwachen. Legen Sie in den Tastatureinstellungen Ihrer Arbeitsumgebung Tastenkürzel für „vantro --trigger“ und „vantro --screenshot“ fest.</translation>
    </message>
</context>
<context>
    <name>LocalServerPicker</name>
    <message>
        <source>Use the server at %1</source>
        <translation>Server unter %1 verwenden</translation>
    </message>
    <message>
        <source>Find Local Servers</source>
        <translation>Lokale Server suchen</translation>
    </message>
    <message>
        <source>Ask Ollama, llama.cpp, LM Studio and vLLM on this computer for their models</source>
        <translation>Ollama, llama.cpp, LM Studio und vLLM auf diesem Computer nach ihren Modellen fragen</translation>
    </message>
    <message>
        <source>no models yet</source>
        <translation>noch keine Modelle</translation>
    </message>
    <message>
        <source>Looking for local servers…</source>
        <translation>Lokale Server werden gesucht…</translation>
    </message>
    <message>
        <source>Choose a server to use it:</source>
        <translation>Wählen Sie einen Server aus, um ihn zu verwenden:</translation>
    </message>
    <message>
        <source>No local server answered on the usual ports (%1).</source>
        <translation>Auf den üblichen Ports (%1) hat kein lokaler Server geantwortet.</translation>
    </message>
    <message>
        <source>Vantro now uses %1 at %2. It lists no models yet.</source>
        <translation>Vantro verwendet jetzt %1 unter %2. Der Server bietet noch keine Modelle an.</translation>
    </message>
    <message>
        <source>Vantro now uses %1 at %2 with “%3”.</source>
        <translation>Vantro verwendet jetzt %1 unter %2 mit „%3“.</translation>
    </message>
    <message numerus="yes">
        <source>(+%n more)</source>
        <translation>
            <numerusform>(+%n weiteres)</numerusform>
            <numerusform>(+%n weitere)</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>MarkdownContentView</name>
    <message>
        <source>Copy code</source>
        <translation>Code kopieren</translation>
    </message>
</context>
<context>
    <name>MessageBubble</name>
    <message>
        <source>The answer was cut off at the model&apos;s length limit.</source>
        <translation>Die Antwort wurde an der Längengrenze des Modells abgeschnitten.</translation>
    </message>
    <message>
        <source>[Empty message]</source>
        <translation>[Leere Nachricht]</translation>
    </message>
    <message>
        <source>Thinking...</source>
        <translation>Denkt nach…</translation>
    </message>
    <message>
        <source>Sources</source>
        <translation>Quellen</translation>
    </message>
    <message>
        <source>Image (%1) could not be decoded</source>
        <translation>Bild (%1) konnte nicht dekodiert werden</translation>
    </message>
</context>
<context>
    <name>ModelCatalog</name>
    <message>
        <source>This server does not list its models; type the model’s name.</source>
        <translation>Dieser Server listet seine Modelle nicht auf; geben Sie den Namen des Modells ein.</translation>
    </message>
    <message>
        <source>This server lists no models; type the model’s name.</source>
        <translation>Dieser Server bietet keine Modelle an; geben Sie den Namen des Modells ein.</translation>
    </message>
    <message>
        <source>The endpoint is not an http:// or https:// address.</source>
        <translation>Der Endpunkt ist keine http://- oder https://-Adresse.</translation>
    </message>
    <message>
        <source>The server’s list of models is larger than 1 MiB; type the model’s name.</source>
        <translation>Die Modellliste des Servers ist größer als 1 MiB; geben Sie den Namen des Modells ein.</translation>
    </message>
    <message>
        <source>The server did not list its models in time.</source>
        <translation>Der Server hat seine Modelle nicht rechtzeitig aufgelistet.</translation>
    </message>
    <message>
        <source>This server wants an API key to list its models.</source>
        <translation>Dieser Server verlangt einen API-Schlüssel, um seine Modelle aufzulisten.</translation>
    </message>
    <message>
        <source>The server answered the request for its models with HTTP status %1.</source>
        <translation>Der Server hat die Anfrage nach seinen Modellen mit HTTP-Status %1 beantwortet.</translation>
    </message>
    <message numerus="yes">
        <source>The server lists more than %n models; only the first %n are offered.</source>
        <translation>
            <numerusform>Der Server listet mehr als %n Modell auf; nur das erste wird angeboten.</numerusform>
            <numerusform>Der Server listet mehr als %n Modelle auf; nur die ersten %n werden angeboten.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n listed model(s) with an unusable name were left out.</source>
        <translation>
            <numerusform>%n aufgelistetes Modell mit unbrauchbarem Namen wurde ausgelassen.</numerusform>
            <numerusform>%n aufgelistete Modelle mit unbrauchbarem Namen wurden ausgelassen.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Notifier</name>
    <message>
        <source>There is no session bus for notifications.</source>
        <translation>Es gibt keinen Sitzungsbus für Benachrichtigungen.</translation>
    </message>
</context>
<context>
    <name>OnboardingView</name>
    <message>
        <source>Close (Esc)</source>
        <translation>Schließen (Esc)</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Quick Prompt on Text</source>
        <translation>Schnell-Prompt für Text</translation>
    </message>
    <message>
        <source>Copy text as usual with Ctrl+C, then tap C once more while you still hold Ctrl: the quick prompts open on what you copied.</source>
        <translation>Kopieren Sie Text wie gewohnt mit Strg+C und tippen Sie dann noch einmal auf C, während Sie Strg weiter gedrückt halten: Die Schnell-Prompts öffnen sich mit dem kopierten Text.</translation>
    </message>
    <message>
        <source>Hold Ctrl, then tap C twice quickly</source>
        <translation>Halten Sie Strg gedrückt und tippen Sie zweimal schnell auf C</translation>
    </message>
    <message>
        <source>You&apos;ve got the hang of it.</source>
        <translation>Sie haben den Dreh raus.</translation>
    </message>
    <message>
        <source>Prompt on Screenshot</source>
        <translation>Prompt für Bildschirmfoto</translation>
    </message>
    <message>
        <source>Tap C three times while you hold Ctrl to pick a part of the screen and ask about it.</source>
        <translation>Tippen Sie dreimal auf C, während Sie Strg gedrückt halten, um einen Bildschirmbereich auszuwählen und Fragen dazu zu stellen.</translation>
    </message>
    <message>
        <source>Hold Ctrl, then tap C three times quickly</source>
        <translation>Halten Sie Strg gedrückt und tippen Sie dreimal schnell auf C</translation>
    </message>
    <message>
        <source>Now you know both shortcuts!</source>
        <translation>Jetzt kennen Sie beide Tastenkürzel!</translation>
    </message>
    <message>
        <source>Go Back</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Skip</source>
        <translation>Überspringen</translation>
    </message>
    <message>
        <source>Continue</source>
        <translation>Weiter</translation>
    </message>
    <message>
        <source>Welcome to Vantro</source>
        <translation>Willkommen bei Vantro</translation>
    </message>
    <message>
        <source>AI prompts on whatever you copy, one shortcut away.</source>
        <translation>KI-Prompts für alles, was Sie kopieren – nur ein Tastenkürzel entfernt.</translation>
    </message>
    <message>
        <source>Try Again</source>
        <translation>Erneut versuchen</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Copy %1</source>
        <translation>%1 kopieren</translation>
    </message>
    <message>
        <source>Ctrl</source>
        <translation>Strg</translation>
    </message>
    <message>
        <source>Perfect!</source>
        <translation>Perfekt!</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Bearbeiten</translation>
    </message>
    <message>
        <source>Edit %1</source>
        <translation>%1 bearbeiten</translation>
    </message>
    <message>
        <source>No API key yet? Vantro also works with a model server on this computer.</source>
        <translation>Noch kein API-Schlüssel? Vantro funktioniert auch mit einem Modellserver auf diesem Computer.</translation>
    </message>
    <message>
        <source>Start Vantro when I log in</source>
        <translation>Vantro bei der Anmeldung starten</translation>
    </message>
    <message>
        <source>Get Started</source>
        <translation>Loslegen</translation>
    </message>
    <message>
        <source>Quick Prompts</source>
        <translation>Schnell-Prompts</translation>
    </message>
    <message>
        <source>Select the prompts you want available.
Click the pencil to edit.</source>
        <translation>Wählen Sie die Prompts aus, die verfügbar sein sollen.
Klicken Sie zum Bearbeiten auf den Stift.</translation>
    </message>
    <message>
        <source>Once an answer is ready, Ctrl+Return pastes it in place of the text you copied.</source>
        <translation>Sobald eine Antwort fertig ist, fügt Strg+Eingabe sie anstelle des kopierten Textes ein.</translation>
    </message>
    <message>
        <source>Edit Prompt</source>
        <translation>Prompt bearbeiten</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Prompt title</source>
        <translation>Prompt-Titel</translation>
    </message>
    <message>
        <source>System Prompt</source>
        <translation>System-Prompt</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Key Detection Ready</source>
        <translation>Tastenerkennung bereit</translation>
    </message>
    <message>
        <source>Vantro can now detect your keyboard shortcuts.</source>
        <translation>Vantro kann Ihre Tastenkürzel jetzt erkennen.</translation>
    </message>
    <message>
        <source>Key Detection Unavailable</source>
        <translation>Tastenerkennung nicht verfügbar</translation>
    </message>
    <message>
        <source>Close the program that uses Ctrl+C as its own shortcut, then choose Try Again. Until then you can open Vantro with the custom hotkey in its preferences.</source>
        <translation>Schließen Sie das Programm, das Strg+C als eigenes Tastenkürzel verwendet, und wählen Sie dann „Erneut versuchen“. Bis dahin können Sie Vantro mit dem eigenen Tastenkürzel aus den Einstellungen öffnen.</translation>
    </message>
    <message>
        <source>Your Shortcuts Are Ready</source>
        <translation>Ihre Tastenkürzel sind bereit</translation>
    </message>
    <message>
        <source>Your desktop delivers these shortcuts to Vantro. You can change the keys in Vantro&apos;s preferences.</source>
        <translation>Ihre Arbeitsumgebung leitet diese Tastenkürzel an Vantro weiter. Die Tasten können Sie in den Einstellungen von Vantro ändern.</translation>
    </message>
    <message>
        <source>Set Up a Shortcut</source>
        <translation>Tastenkürzel einrichten</translation>
    </message>
    <message>
        <source>Your desktop does not let programs watch Ctrl+C. Bind these commands to shortcuts in your desktop&apos;s keyboard settings:</source>
        <translation>Ihre Arbeitsumgebung erlaubt Programmen nicht, Strg+C zu überwachen. Legen Sie in den Tastatureinstellungen Ihrer Arbeitsumgebung Tastenkürzel für diese Befehle fest:</translation>
    </message>
</context>
<context>
    <name>OpenAIError</name>
    <message>
        <source>The request timed out.</source>
        <translation>Zeitüberschreitung bei der Anfrage.</translation>
    </message>
    <message>
        <source>The selected model does not take images. Choose a vision model, or set Images to “The model takes images” in Preferences (Ctrl+,), under AI.</source>
        <translation>Das ausgewählte Modell verarbeitet keine Bilder. Wählen Sie ein Modell mit Bildverarbeitung oder stellen Sie in den Einstellungen (Strg+,) unter „KI“ bei „Bilder“ die Option „Das Modell verarbeitet Bilder“ ein.</translation>
    </message>
    <message>
        <source>No OpenAI API key configured. Open Preferences to set one.</source>
        <translation>Kein OpenAI-API-Schlüssel eingerichtet. Öffnen Sie die Einstellungen, um einen festzulegen.</translation>
    </message>
    <message>
        <source>This server wants an API key. Set one in Preferences (Ctrl+,), under AI.</source>
        <translation>Dieser Server verlangt einen API-Schlüssel. Legen Sie ihn in den Einstellungen (Strg+,) unter „KI“ fest.</translation>
    </message>
    <message>
        <source>Invalid API URL.</source>
        <translation>Ungültige API-URL.</translation>
    </message>
    <message>
        <source>The selected model does not support images. Please use gpt-4o or gpt-4-turbo.</source>
        <translation>Das ausgewählte Modell unterstützt keine Bilder. Bitte verwenden Sie gpt-4o oder gpt-4-turbo.</translation>
    </message>
    <message>
        <source>Not an HTTP response</source>
        <translation>Keine HTTP-Antwort</translation>
    </message>
</context>
<context>
    <name>PanelSidebar</name>
    <message>
        <source>New Chat (Ctrl+N)</source>
        <translation>Neuer Chat (Strg+N)</translation>
    </message>
    <message>
        <source>Your chats</source>
        <translation>Ihre Chats</translation>
    </message>
    <message>
        <source>Search chats</source>
        <translation>Chats durchsuchen</translation>
    </message>
    <message>
        <source>New Project</source>
        <translation>Neues Projekt</translation>
    </message>
    <message>
        <source>Your projects</source>
        <translation>Ihre Projekte</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Join shared project</source>
        <translation>Geteiltem Projekt beitreten</translation>
    </message>
    <message>
        <source>Enter share code…</source>
        <translation>Freigabecode eingeben…</translation>
    </message>
    <message>
        <source>Join</source>
        <translation>Beitreten</translation>
    </message>
    <message>
        <source>Joining…</source>
        <translation>Beitritt läuft…</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message numerus="yes">
        <source>%n prompt(s)</source>
        <translation>
            <numerusform>%n Prompt</numerusform>
            <numerusform>%n Prompts</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>PortalRequest</name>
    <message>
        <source>There is no session bus.</source>
        <translation>Es gibt keinen Sitzungsbus.</translation>
    </message>
</context>
<context>
    <name>PreferencesWindow</name>
    <message>
        <source>Vantro Preferences</source>
        <translation>Vantro-Einstellungen</translation>
    </message>
</context>
<context>
    <name>PromptEditorInline</name>
    <message>
        <source>Back</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>System Prompt</source>
        <translation>System-Prompt</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>New Prompt</source>
        <translation>Neuer Prompt</translation>
    </message>
    <message>
        <source>Edit Prompt</source>
        <translation>Prompt bearbeiten</translation>
    </message>
</context>
<context>
    <name>PromptLibrarySheet</name>
    <message>
        <source>Prompt Library</source>
        <translation>Prompt-Bibliothek</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Add “%1” to this project</source>
        <translation>„%1“ zu diesem Projekt hinzufügen</translation>
    </message>
</context>
<context>
    <name>PromptsTab</name>
    <message>
        <source>Project</source>
        <translation>Projekt</translation>
    </message>
    <message>
        <source>Project name</source>
        <translation>Projektname</translation>
    </message>
    <message>
        <source>Sharing</source>
        <translation>Teilen</translation>
    </message>
    <message>
        <source>Share with team</source>
        <translation>Mit dem Team teilen</translation>
    </message>
    <message>
        <source>Upload this project and get a share code for teammates</source>
        <translation>Dieses Projekt hochladen und einen Freigabecode für Ihr Team erhalten</translation>
    </message>
    <message>
        <source>Copy share code</source>
        <translation>Freigabecode kopieren</translation>
    </message>
    <message>
        <source>Unlink</source>
        <translation>Trennen</translation>
    </message>
    <message>
        <source>Stop syncing this project (keeps local copy)</source>
        <translation>Synchronisierung dieses Projekts beenden (lokale Kopie bleibt erhalten)</translation>
    </message>
    <message>
        <source>Delete from server (you must be the owner)</source>
        <translation>Vom Server löschen (nur als Eigentümer möglich)</translation>
    </message>
    <message>
        <source>Sharing is off until a sync server address is set below.</source>
        <translation>Das Teilen ist ausgeschaltet, bis Sie unten die Adresse eines Synchronisierungsservers eingeben.</translation>
    </message>
    <message>
        <source>Publishable key of the sync service</source>
        <translation>Öffentlicher Schlüssel des Synchronisierungsdienstes</translation>
    </message>
    <message>
        <source>Identifies you as the owner of the projects you share. Keep it to yourself; paste the key of your other computer here to keep owning what you shared from there.</source>
        <translation>Weist Sie als Eigentümer der Projekte aus, die Sie teilen. Behalten Sie ihn für sich; fügen Sie hier den Schlüssel Ihres anderen Computers ein, um Eigentümer der von dort geteilten Projekte zu bleiben.</translation>
    </message>
    <message>
        <source>Show</source>
        <translation>Anzeigen</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Copy the owner key</source>
        <translation>Eigentümerschlüssel kopieren</translation>
    </message>
    <message>
        <source>Test Connection</source>
        <translation>Verbindung testen</translation>
    </message>
    <message>
        <source>Sync server</source>
        <translation>Synchronisierungsserver</translation>
    </message>
    <message>
        <source>Client key</source>
        <translation>Client-Schlüssel</translation>
    </message>
    <message>
        <source>Owner key</source>
        <translation>Eigentümerschlüssel</translation>
    </message>
    <message>
        <source>Hide</source>
        <translation>Verbergen</translation>
    </message>
    <message>
        <source>Asking the sync service…</source>
        <translation>Synchronisierungsdienst wird abgefragt…</translation>
    </message>
    <message>
        <source>Connected: the sync service answers with this key.</source>
        <translation>Verbunden: Der Synchronisierungsdienst antwortet mit diesem Schlüssel.</translation>
    </message>
    <message>
        <source>Delete project</source>
        <translation>Projekt löschen</translation>
    </message>
    <message>
        <source>Context</source>
        <translation>Kontext</translation>
    </message>
    <message>
        <source>Optional context prepended to every prompt in this project…</source>
        <translation>Optionaler Kontext, der jedem Prompt in diesem Projekt vorangestellt wird…</translation>
    </message>
    <message>
        <source>Prompts</source>
        <translation>Prompts</translation>
    </message>
    <message>
        <source>Add prompt from library</source>
        <translation>Prompt aus der Bibliothek hinzufügen</translation>
    </message>
    <message>
        <source>New custom prompt</source>
        <translation>Neuer eigener Prompt</translation>
    </message>
    <message>
        <source>Text default</source>
        <translation>Standard für Text</translation>
    </message>
    <message>
        <source>Image default</source>
        <translation>Standard für Bilder</translation>
    </message>
    <message>
        <source>Edit prompt</source>
        <translation>Prompt bearbeiten</translation>
    </message>
    <message>
        <source>Remove as text default</source>
        <translation>Nicht mehr Standard für Text</translation>
    </message>
    <message>
        <source>Set as text default</source>
        <translation>Als Standard für Text festlegen</translation>
    </message>
    <message>
        <source>Remove as image default</source>
        <translation>Nicht mehr Standard für Bilder</translation>
    </message>
    <message>
        <source>Set as image default</source>
        <translation>Als Standard für Bilder festlegen</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Delete from server?</source>
        <translation>Vom Server löschen?</translation>
    </message>
    <message>
        <source>This will permanently delete the shared project from the server. Other team members will no longer be able to sync this project.</source>
        <translation>Das geteilte Projekt wird endgültig vom Server gelöscht. Andere Teammitglieder können dieses Projekt dann nicht mehr synchronisieren.</translation>
    </message>
    <message>
        <source>Delete from server</source>
        <translation>Vom Server löschen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Could not delete: you may not be the owner</source>
        <translation>Löschen nicht möglich: Sie sind möglicherweise nicht der Eigentümer</translation>
    </message>
    <message>
        <source>Project icon</source>
        <translation>Projektsymbol</translation>
    </message>
    <message>
        <source>Project context</source>
        <translation>Projektkontext</translation>
    </message>
</context>
<context>
    <name>QuickPromptView</name>
    <message>
        <source>input</source>
        <translation>Eingabe</translation>
    </message>
    <message>
        <source>Select text anywhere, hold Ctrl and tap C twice to start prompting. When an answer is ready, Ctrl+Return puts it in place of your text.</source>
        <translation>Markieren Sie irgendwo Text, halten Sie Strg gedrückt und tippen Sie zweimal auf C, um loszulegen. Sobald eine Antwort fertig ist, setzt Strg+Eingabe sie anstelle Ihres Textes ein.</translation>
    </message>
    <message>
        <source>Image</source>
        <translation>Bild</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Switch project (Tab)</source>
        <translation>Projekt wechseln (Tab)</translation>
    </message>
    <message>
        <source>Press Enter — Custom prompt</source>
        <translation>Eingabe drücken – Eigener Prompt</translation>
    </message>
    <message>
        <source>ENTER</source>
        <translation>EINGABE</translation>
    </message>
    <message>
        <source>Custom prompt</source>
        <translation>Eigener Prompt</translation>
    </message>
    <message>
        <source>Send custom prompt (Enter)</source>
        <translation>Eigenen Prompt senden (Eingabe)</translation>
    </message>
    <message>
        <source>output</source>
        <translation>Ausgabe</translation>
    </message>
    <message>
        <source>Thinking…</source>
        <translation>Denkt nach…</translation>
    </message>
    <message>
        <source>The answer was cut off at the model&apos;s length limit.</source>
        <translation>Die Antwort wurde an der Längengrenze des Modells abgeschnitten.</translation>
    </message>
    <message>
        <source>Select a prompt above to get started</source>
        <translation>Wählen Sie oben einen Prompt aus, um zu beginnen</translation>
    </message>
    <message>
        <source>save prompt?</source>
        <translation>Prompt speichern?</translation>
    </message>
    <message>
        <source>Save this custom prompt as a quick action</source>
        <translation>Diesen eigenen Prompt als Schnell-Prompt speichern</translation>
    </message>
    <message>
        <source>(Ctrl+C)</source>
        <translation>(Strg+C)</translation>
    </message>
    <message>
        <source>Copy result to clipboard</source>
        <translation>Ergebnis in die Zwischenablage kopieren</translation>
    </message>
    <message>
        <source>Replace (Ctrl+Return)</source>
        <translation>Ersetzen (Strg+Eingabe)</translation>
    </message>
    <message>
        <source>Paste the answer in place of the copied text</source>
        <translation>Antwort anstelle des kopierten Textes einfügen</translation>
    </message>
    <message>
        <source>Expand (↓)</source>
        <translation>Erweitern (↓)</translation>
    </message>
    <message>
        <source>Expand to chat view</source>
        <translation>Zur Chatansicht erweitern</translation>
    </message>
    <message>
        <source>%1 doesn&apos;t support images. Switch to GPT-4o.</source>
        <translation>%1 unterstützt keine Bilder. Wechseln Sie zu GPT-4o.</translation>
    </message>
    <message>
        <source>%1 doesn&apos;t take images, as far as Vantro can tell.</source>
        <translation>%1 verarbeitet nach Kenntnis von Vantro keine Bilder.</translation>
    </message>
    <message>
        <source>No text on clipboard</source>
        <translation>Kein Text in der Zwischenablage</translation>
    </message>
    <message>
        <source>Press %1 — %2</source>
        <translation>%1 drücken – %2</translation>
    </message>
    <message>
        <source>Copied text</source>
        <translation>Kopierter Text</translation>
    </message>
    <message>
        <source>Answer</source>
        <translation>Antwort</translation>
    </message>
</context>
<context>
    <name>QuickRunner</name>
    <message>
        <source>⚠️ No API key set. Open Preferences (Ctrl+,) to add your OpenAI API key, or choose Find Local Servers there to use a model server on this computer.</source>
        <translation>⚠️ Kein API-Schlüssel festgelegt. Öffnen Sie die Einstellungen (Strg+,), um Ihren OpenAI-API-Schlüssel einzugeben, oder wählen Sie dort „Lokale Server suchen“, um einen Modellserver auf diesem Computer zu verwenden.</translation>
    </message>
    <message>
        <source>Error: %1</source>
        <translation>Fehler: %1</translation>
    </message>
</context>
<context>
    <name>RelativeTime</name>
    <message>
        <source>now</source>
        <translation>jetzt</translation>
    </message>
    <message numerus="yes">
        <source>%n min ago</source>
        <translation>
            <numerusform>vor %n Min.</numerusform>
            <numerusform>vor %n Min.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n hr ago</source>
        <translation>
            <numerusform>vor %n Std.</numerusform>
            <numerusform>vor %n Std.</numerusform>
        </translation>
    </message>
    <message>
        <source>yesterday</source>
        <translation>gestern</translation>
    </message>
    <message numerus="yes">
        <source>%n days ago</source>
        <translation>
            <numerusform>vor %n Tag</numerusform>
            <numerusform>vor %n Tagen</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n wk ago</source>
        <translation>
            <numerusform>vor %n Woche</numerusform>
            <numerusform>vor %n Wochen</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>ReplaceInPlace</name>
    <message>
        <source>Vantro copied the answer; press Ctrl+V to paste it.</source>
        <translation>Vantro hat die Antwort kopiert; drücken Sie Strg+V, um sie einzufügen.</translation>
    </message>
    <message>
        <source>Answer copied</source>
        <translation>Antwort kopiert</translation>
    </message>
</context>
<context>
    <name>ScreenshotPortal</name>
    <message>
        <source>The screenshot service did not answer.</source>
        <translation>Der Bildschirmfoto-Dienst hat nicht geantwortet.</translation>
    </message>
    <message>
        <source>Your desktop offers no screenshot service to Vantro. Set a screenshot command in screenshot_command instead.</source>
        <translation>Ihre Arbeitsumgebung bietet Vantro keinen Bildschirmfoto-Dienst an. Legen Sie stattdessen in screenshot_command einen Befehl für Bildschirmfotos fest.</translation>
    </message>
</context>
<context>
    <name>SecretKeys</name>
    <message>
        <source>Stored in a file only you can read: no keyring was found.</source>
        <translation>In einer Datei gespeichert, die nur Sie lesen können: Es wurde kein Schlüsselbund gefunden.</translation>
    </message>
    <message>
        <source>Stored in your keyring.</source>
        <translation>In Ihrem Schlüsselbund gespeichert.</translation>
    </message>
    <message>
        <source>Stored in a file only you can read: the keyring did not take it.</source>
        <translation>In einer Datei gespeichert, die nur Sie lesen können: Der Schlüsselbund hat ihn nicht angenommen.</translation>
    </message>
</context>
<context>
    <name>SecretStore</name>
    <message>
        <source>No keyring was found.</source>
        <translation>Es wurde kein Schlüsselbund gefunden.</translation>
    </message>
    <message>
        <source>The keyring did not answer: %1</source>
        <translation>Der Schlüsselbund hat nicht geantwortet: %1</translation>
    </message>
</context>
<context>
    <name>SettingsView</name>
    <message>
        <source>Prompts</source>
        <translation>Prompts</translation>
    </message>
    <message>
        <source>AI</source>
        <translation>KI</translation>
    </message>
    <message>
        <source>Hotkey</source>
        <translation>Tastenkürzel</translation>
    </message>
    <message>
        <source>Appearance</source>
        <translation>Darstellung</translation>
    </message>
</context>
<context>
    <name>ShortcutsDialog</name>
    <message>
        <source>Anywhere</source>
        <translation>Überall</translation>
    </message>
    <message>
        <source>Ctrl+C, C</source>
        <translation>Strg+C, C</translation>
    </message>
    <message>
        <source>Open the panel on what you copied</source>
        <translation>Das Panel mit dem Kopierten öffnen</translation>
    </message>
    <message>
        <source>Ctrl+C, C, C</source>
        <translation>Strg+C, C, C</translation>
    </message>
    <message>
        <source>Take a screenshot of a region and open the panel on it</source>
        <translation>Ein Bildschirmfoto eines Bereichs aufnehmen und das Panel damit öffnen</translation>
    </message>
    <message>
        <source>Panel</source>
        <translation>Panel</translation>
    </message>
    <message>
        <source>1 … 9</source>
        <translation>1 … 9</translation>
    </message>
    <message>
        <source>Run the prompt with that number</source>
        <translation>Den Prompt mit dieser Nummer ausführen</translation>
    </message>
    <message>
        <source>Return</source>
        <translation>Eingabe</translation>
    </message>
    <message>
        <source>Type a custom prompt</source>
        <translation>Einen eigenen Prompt eingeben</translation>
    </message>
    <message>
        <source>Tab, Ctrl+Tab</source>
        <translation>Tab, Strg+Tab</translation>
    </message>
    <message>
        <source>Switch to the next project</source>
        <translation>Zum nächsten Projekt wechseln</translation>
    </message>
    <message>
        <source>Shift+Tab</source>
        <translation>Umschalt+Tab</translation>
    </message>
    <message>
        <source>Move to the panel&apos;s buttons; then Tab and Shift+Tab move between them</source>
        <translation>Zu den Schaltflächen des Panels wechseln; danach springen Tab und Umschalt+Tab zwischen ihnen</translation>
    </message>
    <message>
        <source>Space, Return</source>
        <translation>Leertaste, Eingabe</translation>
    </message>
    <message>
        <source>Press the button that has the focus</source>
        <translation>Die Schaltfläche mit dem Fokus betätigen</translation>
    </message>
    <message>
        <source>↓</source>
        <translation>↓</translation>
    </message>
    <message>
        <source>Expand to the chat</source>
        <translation>Zum Chat erweitern</translation>
    </message>
    <message>
        <source>Ctrl+C</source>
        <translation>Strg+C</translation>
    </message>
    <message>
        <source>Copy the answer and close the panel</source>
        <translation>Die Antwort kopieren und das Panel schließen</translation>
    </message>
    <message>
        <source>Ctrl+Return</source>
        <translation>Strg+Eingabe</translation>
    </message>
    <message>
        <source>Replace: paste the answer where the copied text came from</source>
        <translation>Ersetzen: die Antwort dort einfügen, wo der kopierte Text herkam</translation>
    </message>
    <message>
        <source>Ctrl+N</source>
        <translation>Strg+N</translation>
    </message>
    <message>
        <source>Start a new chat</source>
        <translation>Neuen Chat beginnen</translation>
    </message>
    <message>
        <source>Esc</source>
        <translation>Esc</translation>
    </message>
    <message>
        <source>Close the custom prompt, clear the search, or hide the panel</source>
        <translation>Den eigenen Prompt schließen, die Suche leeren oder das Panel ausblenden</translation>
    </message>
    <message>
        <source>Chat</source>
        <translation>Chat</translation>
    </message>
    <message>
        <source>Send the message</source>
        <translation>Die Nachricht senden</translation>
    </message>
    <message>
        <source>Shift+Return</source>
        <translation>Umschalt+Eingabe</translation>
    </message>
    <message>
        <source>Start a new line</source>
        <translation>Eine neue Zeile beginnen</translation>
    </message>
    <message>
        <source>Copy the last answer (with nothing selected)</source>
        <translation>Die letzte Antwort kopieren (wenn nichts markiert ist)</translation>
    </message>
    <message>
        <source>Ctrl+V</source>
        <translation>Strg+V</translation>
    </message>
    <message>
        <source>Paste text, or attach a picture</source>
        <translation>Text einfügen oder ein Bild anhängen</translation>
    </message>
    <message>
        <source>Everywhere in Vantro</source>
        <translation>Überall in Vantro</translation>
    </message>
    <message>
        <source>Ctrl+O</source>
        <translation>Strg+O</translation>
    </message>
    <message>
        <source>Open the chat</source>
        <translation>Den Chat öffnen</translation>
    </message>
    <message>
        <source>Ctrl+,</source>
        <translation>Strg+,</translation>
    </message>
    <message>
        <source>Open the preferences</source>
        <translation>Die Einstellungen öffnen</translation>
    </message>
    <message>
        <source>Ctrl+?</source>
        <translation>Strg+?</translation>
    </message>
    <message>
        <source>Show these shortcuts</source>
        <translation>Diese Tastenkürzel anzeigen</translation>
    </message>
    <message>
        <source>Menu, Shift+F10</source>
        <translation>Menütaste, Umschalt+F10</translation>
    </message>
    <message>
        <source>Open the menu of the item that has the focus</source>
        <translation>Das Menü des Elements mit dem Fokus öffnen</translation>
    </message>
    <message>
        <source>Ctrl+Q</source>
        <translation>Strg+Q</translation>
    </message>
    <message>
        <source>Quit Vantro</source>
        <translation>Vantro beenden</translation>
    </message>
    <message>
        <source>Keyboard Shortcuts</source>
        <translation>Tastaturkürzel</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Entf</translation>
    </message>
    <message>
        <source>Delete the chat that has the focus in the list</source>
        <translation>Den Chat löschen, der in der Liste den Fokus hat</translation>
    </message>
</context>
<context>
    <name>SyncError</name>
    <message>
        <source>The request timed out.</source>
        <translation>Zeitüberschreitung bei der Anfrage.</translation>
    </message>
    <message>
        <source>Expected a string share code</source>
        <translation>Freigabecode als Zeichenkette erwartet</translation>
    </message>
    <message>
        <source>Invalid sync URL.</source>
        <translation>Ungültige Synchronisierungs-URL.</translation>
    </message>
    <message>
        <source>No shared project found with that code.</source>
        <translation>Mit diesem Freigabecode wurde kein geteiltes Projekt gefunden.</translation>
    </message>
    <message>
        <source>This shared project no longer exists on the server.</source>
        <translation>Dieses geteilte Projekt existiert nicht mehr auf dem Server.</translation>
    </message>
    <message>
        <source>Sharing is not configured: set the sync service URL (sync_base_url) in the settings.</source>
        <translation>Das Teilen ist nicht eingerichtet: Legen Sie die URL des Synchronisierungsdienstes (sync_base_url) in den Einstellungen fest.</translation>
    </message>
    <message>
        <source>Sync error %1: %2</source>
        <translation>Synchronisierungsfehler %1: %2</translation>
    </message>
    <message>
        <source>Sync decoding error: %1</source>
        <translation>Fehler beim Dekodieren der Synchronisierungsdaten: %1</translation>
    </message>
</context>
<context>
    <name>ThemePreview</name>
    <message>
        <source>The quick brown fox jumps over the lazy dog.</source>
        <translation>Victor jagt zwölf Boxkämpfer quer über den großen Sylter Deich.</translation>
    </message>
    <message>
        <source>Copied text</source>
        <translation>Kopierter Text</translation>
    </message>
    <message>
        <source>Translate</source>
        <translation>Übersetzen</translation>
    </message>
    <message>
        <source>Proofread</source>
        <translation>Korrekturlesen</translation>
    </message>
    <message>
        <source>Summarize</source>
        <translation>Zusammenfassen</translation>
    </message>
</context>
<context>
    <name>ThinkingSection</name>
    <message>
        <source>Thinking</source>
        <translation>Gedankengang</translation>
    </message>
    <message>
        <source>Thinking…</source>
        <translation>Denkt nach…</translation>
    </message>
    <message>
        <source>Hide the model&apos;s thinking</source>
        <translation>Gedankengang des Modells ausblenden</translation>
    </message>
    <message>
        <source>Show the model&apos;s thinking</source>
        <translation>Gedankengang des Modells einblenden</translation>
    </message>
</context>
<context>
    <name>WindowPaster</name>
    <message>
        <source>Wayland lets no program type into other windows.</source>
        <translation>Unter Wayland darf kein Programm in andere Fenster tippen.</translation>
    </message>
    <message>
        <source>Pasting into other windows needs an X11 session.</source>
        <translation>Das Einfügen in andere Fenster erfordert eine X11-Sitzung.</translation>
    </message>
    <message>
        <source>Vantro cannot reach the X server to paste.</source>
        <translation>Vantro erreicht den X-Server nicht und kann daher nicht einfügen.</translation>
    </message>
    <message>
        <source>The X server has no XTest extension, so Vantro cannot paste.</source>
        <translation>Der X-Server hat keine XTest-Erweiterung, daher kann Vantro nicht einfügen.</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Vantro applies AI prompts to whatever you just copied: select text, hold Ctrl and tap C twice.
With Vantro already running, these options are handed to it.</source>
        <translation>Vantro wendet KI-Prompts auf das an, was Sie gerade kopiert haben: Text markieren, Strg gedrückt halten und zweimal auf C tippen.
Läuft Vantro bereits, werden diese Optionen an Vantro übergeben.</translation>
    </message>
    <message>
        <source>Open the chat window on a new chat.</source>
        <translation>Das Chatfenster mit einem neuen Chat öffnen.</translation>
    </message>
    <message>
        <source>Open the chat window.</source>
        <translation>Das Chatfenster öffnen.</translation>
    </message>
    <message>
        <source>Open the panel on the clipboard, as a double Ctrl+C does (bind it to a shortcut on Wayland).</source>
        <translation>Das Panel mit der Zwischenablage öffnen, wie ein doppeltes Strg+C (unter Wayland einem Tastenkürzel zuweisen).</translation>
    </message>
    <message>
        <source>With --trigger: use the text selected without copying, if there is any.</source>
        <translation>Mit --trigger: den markierten, nicht kopierten Text verwenden, falls vorhanden.</translation>
    </message>
    <message>
        <source>Take a screenshot of a region and open the panel on it.</source>
        <translation>Ein Bildschirmfoto eines Bereichs aufnehmen und das Panel damit öffnen.</translation>
    </message>
    <message>
        <source>Open the preferences.</source>
        <translation>Die Einstellungen öffnen.</translation>
    </message>
    <message>
        <source>Show the first-run walkthrough again.</source>
        <translation>Die Einführung erneut anzeigen.</translation>
    </message>
    <message>
        <source>Quit the running Vantro.</source>
        <translation>Das laufende Vantro beenden.</translation>
    </message>
</context>
</TS>
