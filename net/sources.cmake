# net/: the wire protocol, the sender and the receiving server (portable), and
# the windows that gather recipients and read the network neighbourhood.
pinwell_sources(net
    CORE
        NetUtil.cpp
        NetworkList.cpp
        NoteData.cpp
        NoteSender.cpp
        NoteServer.cpp
        Recipients.cpp
        Socket.cpp
    WIN
        ComputerDelivery.cpp
        NetworkNeighbourhood.cpp
        SendNoteDialog.cpp)
