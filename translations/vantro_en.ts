<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>AITab</name>
    <message>
        <source>Model</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Refresh Models</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Images</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ask the server</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The model takes images</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The model does not take images</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Whether screenshots can go to the model. Say it here when the server cannot tell.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Endpoint</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Any OpenAI-compatible server works; “/v1/chat/completions” is appended. For a local server enter its address, e.g. http://localhost:11434 (Ollama) or http://localhost:8080 (llama.cpp), or let Vantro find it:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OpenAI API Key</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Personality</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Defines how the AI responds — tone, style, and behavior.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset to Default</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Auto Memory</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Automatically learn from conversations</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>After each response, the AI extracts durable facts about you and the project. Uses a small background API call.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Model for remembering facts</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Leave empty for the model shown; a small, fast one is enough.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>User Memory</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Facts the AI remembers about you across all projects.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clear User Memory</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Project Memory</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Project</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Facts the AI remembers about this project.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clear Project Memory</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Asking the server for its models…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>API Key</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Optional</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Get a key at &lt;a style=&quot;color: %1&quot; href=&quot;https://platform.openai.com/api-keys&quot;&gt;platform.openai.com/api-keys&lt;/a&gt;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Leave empty for a local server that needs no key.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Input: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Output: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sent to the endpoint as typed. Prices depend on your provider.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No memories yet. The AI will learn as you chat.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No project memories yet.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fast and affordable. Great for most tasks.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>High quality. Better for complex tasks. Supports images.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Premium. Best quality for demanding tasks. Supports images.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>API key</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>AboutDialog</name>
    <message>
        <source>About Vantro</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version %1 (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>AI-powered clipboard actions at your fingertips.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>AnswerDocument</name>
    <message>
        <source>Image</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>AppDelegate</name>
    <message>
        <source>Chat History Not Saved</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Vantro could not write your chat history (%1). The previous copy on disk is unchanged; Vantro tries again, and the chats stay open until you quit.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Key Detection Unavailable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Double Ctrl+C does nothing until this is solved. Choose Try Again once it is, or change the hotkey in Preferences.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keyboard Freed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Vantro held the keyboard too long while deciding about a Ctrl+C and let it go. Key detection starts again by itself; if Ctrl+C misbehaves, choose Try Again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shortcut Unavailable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Vantro could not take your shortcut: another program may already use it, or the desktop does not allow it. Choose another one in Preferences.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Try Again</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open Preferences</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About Vantro</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open Chat…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preferences…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check for Updates…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit Vantro</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show Onboarding…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Welcome to Vantro</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no keys set</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keyboard Shortcuts</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>AppState</name>
    <message>
        <source>New Chat</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>AppearanceTab</name>
    <message>
        <source>Appearance</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>System</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Light</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Dark</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Automatically switches with system appearance</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Changes the appearance of the Vantro panel and application icon. System follows your desktop&apos;s appearance settings.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Theme</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preview</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>AtomicFile</name>
    <message>
        <source>the disk is read-only</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no space left on the disk</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the file could not be written whole (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>writing failed: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Autostart</name>
    <message>
        <source>Could not remove %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Could not create the folder of %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Could not write %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ChatEventParser</name>
    <message>
        <source>The server reported an error.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ChatInputEdit</name>
    <message>
        <source>Ask anything...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Message</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ChatStream</name>
    <message>
        <source>The server sent more than %1 without ending its answer; it was cut off there.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ChatTurnRunner</name>
    <message>
        <source>Error: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ChatView</name>
    <message>
        <source>No chat selected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start a new chat</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your chats are not being saved: %1. Vantro keeps trying; until it succeeds, new messages are lost when you quit.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Image attached</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove image</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Send message (Enter)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Switch project (Tab)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Apply %1 to your message</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Chat messages</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CopyMessageButton</name>
    <message>
        <source>Copy message (Ctrl+C)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy message</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>FloatingPanelView</name>
    <message>
        <source>Close (Esc)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Expand</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Prompts</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preferences</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Chats</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Collapse</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>GlobalHotkeyPortal</name>
    <message>
        <source>Prompt on the copied text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Prompt on a screenshot</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is no session bus to ask the desktop for shortcuts.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your desktop has no global shortcuts service.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The desktop did not answer when Vantro asked for its shortcuts.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The desktop refused Vantro&apos;s shortcuts.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Vantro&apos;s shortcuts were declined in the desktop&apos;s dialog.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>HotkeyRecorderView</name>
    <message>
        <source>Press keys…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>That key cannot be used for a shortcut.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The A key cannot be used for a shortcut; choose another key.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>HotkeyTab</name>
    <message>
        <source>Not set</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Trigger Method</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+C, C (double copy)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Press Ctrl+C twice quickly to open the Vantro panel. Requires global key detection (below).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Custom Global Hotkey</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Set a custom keyboard shortcut as an alternative trigger. Works alongside double-copy if both are enabled.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shortcut:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clear</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Desktop Shortcuts</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Change…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose the keys in your desktop&apos;s shortcut settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Use selected text without copying</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The shortcut opens the panel on the text you selected, or on the clipboard when nothing is selected. Double copy always uses what you copied.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restore the clipboard after Replace</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Replace (Ctrl+Return) pastes the answer where the copied text came from. With this on, the clipboard then gets back what it held before.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Key Detection</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Vantro needs global key detection to notice shortcuts while other programs are in front.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check Key Detection</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Try to start global key detection again</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Startup</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start Vantro when I log in</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hold Ctrl, Shift, Alt or Super and press a key. Click the button again to stop.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Vantro could not take this shortcut: another program may already use it, or the desktop does not allow it. Choose another one.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Global key detection is not running in this process.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Global key detection is working.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Global key detection is not available.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bind “vantro --trigger” and “vantro --screenshot” to shortcuts in your desktop&apos;s keyboard settings instead.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Asking the desktop for Vantro&apos;s shortcuts…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your desktop delivers these shortcuts to Vantro:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no keys set</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>KeyCap</name>
    <message>
        <source>%1, pressed</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>KeyMonitor</name>
    <message>
        <source>Global key detection needs an X11 session.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Global key detection is turned off (VANTRO_KEY_BACKEND).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Vantro does not watch keys: the desktop delivers its shortcuts (VANTRO_KEY_BACKEND).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wayland lets no program watch keys globally. Bind “vantro --trigger” and “vantro --screenshot” to shortcuts in your desktop&apos;s keyboard settings.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LocalServerPicker</name>
    <message>
        <source>Use the server at %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Find Local Servers</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ask Ollama, llama.cpp, LM Studio and vLLM on this computer for their models</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no models yet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Looking for local servers…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose a server to use it:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No local server answered on the usual ports (%1).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Vantro now uses %1 at %2. It lists no models yet.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Vantro now uses %1 at %2 with “%3”.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>(+%n more)</source>
        <translation>
            <numerusform>(+%n more)</numerusform>
            <numerusform>(+%n more)</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>MarkdownContentView</name>
    <message>
        <source>Copy code</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MessageBubble</name>
    <message>
        <source>The answer was cut off at the model&apos;s length limit.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>[Empty message]</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Thinking...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sources</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Image (%1) could not be decoded</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ModelCatalog</name>
    <message>
        <source>This server does not list its models; type the model’s name.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This server lists no models; type the model’s name.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The endpoint is not an http:// or https:// address.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server’s list of models is larger than 1 MiB; type the model’s name.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server did not list its models in time.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This server wants an API key to list its models.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server answered the request for its models with HTTP status %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>The server lists more than %n models; only the first %n are offered.</source>
        <translation>
            <numerusform>The server lists more than %n model; only the first is offered.</numerusform>
            <numerusform>The server lists more than %n models; only the first %n are offered.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n listed model(s) with an unusable name were left out.</source>
        <translation>
            <numerusform>One listed model with an unusable name was left out.</numerusform>
            <numerusform>%n listed models with an unusable name were left out.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Notifier</name>
    <message>
        <source>There is no session bus for notifications.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>OnboardingView</name>
    <message>
        <source>Close (Esc)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quick Prompt on Text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy text as usual with Ctrl+C, then tap C once more while you still hold Ctrl: the quick prompts open on what you copied.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hold Ctrl, then tap C twice quickly</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>You&apos;ve got the hang of it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Prompt on Screenshot</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tap C three times while you hold Ctrl to pick a part of the screen and ask about it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hold Ctrl, then tap C three times quickly</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Now you know both shortcuts!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Go Back</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Skip</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Continue</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Welcome to Vantro</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>AI prompts on whatever you copy, one shortcut away.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Try Again</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Perfect!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No API key yet? Vantro also works with a model server on this computer.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start Vantro when I log in</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Get Started</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quick Prompts</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select the prompts you want available.
Click the pencil to edit.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Once an answer is ready, Ctrl+Return pastes it in place of the text you copied.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit Prompt</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Prompt title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>System Prompt</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Key Detection Ready</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Vantro can now detect your keyboard shortcuts.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Key Detection Unavailable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close the program that uses Ctrl+C as its own shortcut, then choose Try Again. Until then you can open Vantro with the custom hotkey in its preferences.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your Shortcuts Are Ready</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your desktop delivers these shortcuts to Vantro. You can change the keys in Vantro&apos;s preferences.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Set Up a Shortcut</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your desktop does not let programs watch Ctrl+C. Bind these commands to shortcuts in your desktop&apos;s keyboard settings:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>OpenAIError</name>
    <message>
        <source>The request timed out.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The selected model does not take images. Choose a vision model, or set Images to “The model takes images” in Preferences (Ctrl+,), under AI.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No OpenAI API key configured. Open Preferences to set one.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This server wants an API key. Set one in Preferences (Ctrl+,), under AI.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid API URL.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The selected model does not support images. Please use gpt-4o or gpt-4-turbo.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not an HTTP response</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PanelSidebar</name>
    <message>
        <source>New Chat (Ctrl+N)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your chats</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search chats</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New Project</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your projects</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Join shared project</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enter share code…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Join</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Joining…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n prompt(s)</source>
        <translation>
            <numerusform>%n prompt</numerusform>
            <numerusform>%n prompts</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>PortalRequest</name>
    <message>
        <source>There is no session bus.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PreferencesWindow</name>
    <message>
        <source>Vantro Preferences</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PromptEditorInline</name>
    <message>
        <source>Back</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>System Prompt</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New Prompt</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit Prompt</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PromptLibrarySheet</name>
    <message>
        <source>Prompt Library</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add “%1” to this project</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PromptsTab</name>
    <message>
        <source>Project</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Project name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sharing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Share with team</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Upload this project and get a share code for teammates</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy share code</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unlink</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop syncing this project (keeps local copy)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete from server (you must be the owner)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sharing is off until a sync server address is set below.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Publishable key of the sync service</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Identifies you as the owner of the projects you share. Keep it to yourself; paste the key of your other computer here to keep owning what you shared from there.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy the owner key</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Test Connection</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sync server</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Client key</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Owner key</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hide</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Asking the sync service…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Connected: the sync service answers with this key.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete project</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Context</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Optional context prepended to every prompt in this project…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Prompts</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add prompt from library</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New custom prompt</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Text default</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Image default</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit prompt</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove as text default</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Set as text default</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove as image default</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Set as image default</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete from server?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This will permanently delete the shared project from the server. Other team members will no longer be able to sync this project.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete from server</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Could not delete: you may not be the owner</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Project icon</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Project context</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QuickPromptView</name>
    <message>
        <source>input</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select text anywhere, hold Ctrl and tap C twice to start prompting. When an answer is ready, Ctrl+Return puts it in place of your text.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Image</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clear</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Switch project (Tab)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Press Enter — Custom prompt</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ENTER</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Custom prompt</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Send custom prompt (Enter)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>output</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Thinking…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The answer was cut off at the model&apos;s length limit.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select a prompt above to get started</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>save prompt?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save this custom prompt as a quick action</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>(Ctrl+C)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy result to clipboard</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Replace (Ctrl+Return)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Paste the answer in place of the copied text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Expand (↓)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Expand to chat view</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 doesn&apos;t support images. Switch to GPT-4o.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 doesn&apos;t take images, as far as Vantro can tell.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No text on clipboard</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Press %1 — %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copied text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Answer</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QuickRunner</name>
    <message>
        <source>⚠️ No API key set. Open Preferences (Ctrl+,) to add your OpenAI API key, or choose Find Local Servers there to use a model server on this computer.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RelativeTime</name>
    <message>
        <source>now</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n min ago</source>
        <translation>
            <numerusform>%n min ago</numerusform>
            <numerusform>%n min ago</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n hr ago</source>
        <translation>
            <numerusform>%n hr ago</numerusform>
            <numerusform>%n hr ago</numerusform>
        </translation>
    </message>
    <message>
        <source>yesterday</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n days ago</source>
        <translation>
            <numerusform>%n day ago</numerusform>
            <numerusform>%n days ago</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n wk ago</source>
        <translation>
            <numerusform>%n wk ago</numerusform>
            <numerusform>%n wk ago</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>ReplaceInPlace</name>
    <message>
        <source>Vantro copied the answer; press Ctrl+V to paste it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Answer copied</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ScreenshotPortal</name>
    <message>
        <source>The screenshot service did not answer.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your desktop offers no screenshot service to Vantro. Set a screenshot command in screenshot_command instead.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SecretKeys</name>
    <message>
        <source>Stored in a file only you can read: no keyring was found.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stored in your keyring.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stored in a file only you can read: the keyring did not take it.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SecretStore</name>
    <message>
        <source>No keyring was found.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The keyring did not answer: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SettingsView</name>
    <message>
        <source>Prompts</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>AI</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hotkey</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Appearance</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ShortcutsDialog</name>
    <message>
        <source>Anywhere</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+C, C</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open the panel on what you copied</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+C, C, C</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Take a screenshot of a region and open the panel on it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Panel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 … 9</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Run the prompt with that number</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Return</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Type a custom prompt</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tab, Ctrl+Tab</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Switch to the next project</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shift+Tab</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move to the panel&apos;s buttons; then Tab and Shift+Tab move between them</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Space, Return</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Press the button that has the focus</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>↓</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Expand to the chat</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+C</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy the answer and close the panel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+Return</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Replace: paste the answer where the copied text came from</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+N</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start a new chat</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Esc</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close the custom prompt, clear the search, or hide the panel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Chat</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Send the message</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shift+Return</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start a new line</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy the last answer (with nothing selected)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+V</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Paste text, or attach a picture</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Everywhere in Vantro</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+O</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open the chat</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+,</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open the preferences</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show these shortcuts</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Menu, Shift+F10</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open the menu of the item that has the focus</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+Q</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit Vantro</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keyboard Shortcuts</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete the chat that has the focus in the list</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SyncError</name>
    <message>
        <source>The request timed out.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Expected a string share code</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid sync URL.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No shared project found with that code.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This shared project no longer exists on the server.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sharing is not configured: set the sync service URL (sync_base_url) in the settings.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sync error %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sync decoding error: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ThemePreview</name>
    <message>
        <source>The quick brown fox jumps over the lazy dog.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copied text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Translate</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Proofread</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Summarize</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ThinkingSection</name>
    <message>
        <source>Thinking</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Thinking…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hide the model&apos;s thinking</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show the model&apos;s thinking</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>WindowPaster</name>
    <message>
        <source>Wayland lets no program type into other windows.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pasting into other windows needs an X11 session.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Vantro cannot reach the X server to paste.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The X server has no XTest extension, so Vantro cannot paste.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Vantro applies AI prompts to whatever you just copied: select text, hold Ctrl and tap C twice.
With Vantro already running, these options are handed to it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open the chat window on a new chat.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open the chat window.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open the panel on the clipboard, as a double Ctrl+C does (bind it to a shortcut on Wayland).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>With --trigger: use the text selected without copying, if there is any.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Take a screenshot of a region and open the panel on it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open the preferences.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show the first-run walkthrough again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit the running Vantro.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
